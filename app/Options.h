#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "heading/HeadingSession.h"
#include "heading/model/FieldModel.h"
#include "instrument/Units.h"

namespace app {

// The command line's own options, once Qt has taken its own. Each is declared once, in the
// option table (OptionTable.cpp), which reads it into here. A part's options are kept raw where
// the part itself checks them when it is made.
struct Options {
    heading::SourceOptions source;
    std::optional<double> quitAfter;   // seconds
    std::string screenshot;            // PNG written just before the loop ends
    std::string uiDir;                 // interface files from here instead of the bundled ones
    bool openCompass = false;          // press the meter's compass button once shown
    bool openAc = false;               // press the meter's AC button once shown
    std::optional<std::string> serve;  // the remote view's ADDR:PORT; empty for the default
    std::string serveToken;
    bool stats = false;  // one line of frame and latency figures at exit
    // The unit the window shows the field in; the one kept from the last run when not given.
    std::optional<instrument::Unit> units;
    bool summary = false;  // one line of the run's figures on stdout at exit
    // Where the device is, for true north from the field model.
    std::optional<heading::Location> location;
    // --field-model: print the model's field at the location (on date, a decimal year, or
    // today) and leave without a window.
    bool fieldModel = false;
    std::optional<double> date;
    std::string dateText;
    bool calibrate = false;  // take a new calibration before the meter
    bool help = false;

    // The station: IAGA-2002 day files in this folder; a run with it has no window.
    std::optional<std::string> station;
    std::string stationInfo;                 // CODE[,NAME]
    std::optional<std::string> stationAlert;  // nT per minute
    // The publisher: mqtt[s]://[USER@]HOST[:PORT]/PREFIX and what goes with it.
    std::optional<std::string> publish;
    std::string publishPasswordFile;
    std::string publishCa;
    bool publishDiscovery = false;

    // One line for each argument that was ignored, saying why (see strayArgumentWarning).
    std::vector<std::string> warnings;
};

// A bad option; the message names it.
class OptionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads args (without the program name). Arguments that are not options are ignored, each
// with a warning.
Options parseOptions(const std::vector<std::string>& args);

// args without Qt's own options (-platform offscreen, -style=fusion, --reverse …), so that ours
// can be checked before Qt starts, which needs a display for all but the offscreen platform.
std::vector<std::string> withoutQtOptions(const std::vector<std::string>& args);

// True when args ask for the help text (checked before Qt needs a display).
bool wantsHelp(const std::vector<std::string>& args);

}  // namespace app
