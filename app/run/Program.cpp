#include <iostream>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <string>
#include <vector>

#include "app/HelpText.h"
#include "app/Options.h"
#include "app/run/PublisherPart.h"
#include "app/run/Run.h"
#include "app/run/StationPart.h"
#include "heading/SourceChoice.h"
#include "qt/FieldModelQuery.h"
#include "qt/calibration/RecordingCommand.h"
#include "qt/run/EventLoop.h"
#include "qt/sound/AudioTeardown.h"
#include "remote/RemoteView.h"
#include "remote/ServeOptions.h"

namespace app {

namespace {

std::vector<std::string> argumentsOf(int argc, char* argv[]) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

// What the parts check of their options before anything starts (a part made later checks
// again, with what the machine says).
void checkParts(const Options& options) {
    checkStationOptions(options);
    try {
        if (options.serve) remote::RemoteView::check(*options.serve, options.serveToken);
    } catch (const remote::ServeError& e) {
        throw OptionError(e.what());
    }
    if (options.publish) PublisherPart::check(options);
}

// The options as the user gave them, or the status of a run refused: help needs no display, so
// it comes before Qt starts; so does every option's check, so that a mistake is told, with
// status 2, even where there is no display for Qt to start on.
std::optional<int> readOptions(const std::vector<std::string>& args, Options& options) {
    if (wantsHelp(args)) {
        std::cout << helpText();
        return 0;
    }
    try {
        options = parseOptions(withoutQtOptions(args));
        checkParts(options);
    } catch (const OptionError& e) {
        std::cerr << "fluxprobe: " << e.what() << "\n" << usageLine() << std::endl;
        return 2;
    }
    for (const std::string& warning : options.warnings)
        std::cerr << "fluxprobe: " << warning << std::endl;
    return std::nullopt;
}

bool calibratesFromRecording(const Options& options) {
    return options.calibrate && heading::parseSourceChoice(options.source.spec).kind ==
                                    heading::SourceChoice::Kind::Replay;
}

// The runs that only answer and leave: no source read live, no window.
std::optional<int> runCommand(int& argc, char* argv[], const Options& options) {
    if (calibratesFromRecording(options)) {
        if (options.source.calibrationOut.empty()) {
            std::cerr << "fluxprobe: --calibrate from a replay needs --calibration-out=FILE, the "
                         "file to write the calibration to"
                      << std::endl;
            return 2;
        }
        return platform::qt::runWithoutLoop(argc, argv, [&] {
            return platform::qt::calibrateFromRecording(
                heading::parseSourceChoice(options.source.spec).file, options.source.calibrationOut,
                options.source.referenceField);
        });
    }
    if (options.fieldModel)
        return platform::qt::runWithoutLoop(argc, argv, [&] {
            return platform::qt::runFieldModelQuery(*options.location, options.date,
                                                    options.dateText);
        });
    return std::nullopt;
}

// A run of parts: made, run, and gone before its last words.
int runParts(int& argc, char* argv[], const Options& options,
             const platform::ClassRegistry& classes) {
    LastWords lastWords;
    int status = 0;
    try {
        Run run(options, argc, argv, classes);
        status = run.exec(lastWords);
    } catch (const StartError& e) {
        std::cerr << "fluxprobe: " << e.what() << std::endl;
        return 2;
    }
    lastWords.say();
    return status;
}

}  // namespace

int runProgram(int argc, char* argv[], const platform::ClassRegistry& classes) {
#if defined(__GLIBC__)
    // Pictures and their copies are large and short-lived: each goes back to the system when
    // freed, instead of glibc raising its threshold and keeping them in the heap for good.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    Options options;
    if (auto refused = readOptions(argumentsOf(argc, argv), options)) return *refused;
    if (auto answered = runCommand(argc, argv, options)) return *answered;
    return platform::qt::leaveAfterAudio(runParts(argc, argv, options, classes));
}

}  // namespace app
