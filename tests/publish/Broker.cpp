#include "Broker.h"

#include <csignal>

namespace publishtest {

std::string Broker::missingProgram() {
    for (const char* p : {"mosquitto", "mosquitto_sub", "mosquitto_passwd", "openssl"})
        if (!onPath(p)) return p;
    return "";
}

Broker::Broker() {
    port_ = freePort();
    tlsPort_ = freePort();
    const std::string d = dir_.path();
    const std::string log = d + "/setup.log";
    bool ok = run({"mosquitto_passwd", "-b", "-c", d + "/passwd", kUser, kPassword}, log) == 0;
    // An EC key is made in a moment, where RSA takes seconds.
    ok = ok && run({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", d + "/ca.key", "-out",
                    d + "/ca.crt", "-subj", "/CN=fluxprobe test CA", "-days", "2"},
                   log) == 0;
    ok = ok && run({"openssl", "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-keyout", d + "/server.key", "-out", d + "/server.csr", "-subj",
                    "/CN=127.0.0.1"},
                   log) == 0;
    writeFile(d + "/san.ext", "subjectAltName=IP:127.0.0.1\n");
    ok = ok && run({"openssl", "x509", "-req", "-in", d + "/server.csr", "-CA", d + "/ca.crt",
                    "-CAkey", d + "/ca.key", "-CAcreateserial", "-out", d + "/server.crt", "-days",
                    "2", "-extfile", d + "/san.ext"},
                   log) == 0;
    writeFile(d + "/mosquitto.conf",
              // Run as root (CI), it would change to the mosquitto user, who cannot read the
              // test's folder; run as anyone else, this says nothing.
              "user root\n"
              "per_listener_settings false\n"
              "allow_anonymous false\n"
              "password_file " +
                  d +
                  "/passwd\n"
                  "persistence true\n"
                  "persistence_location " +
                  d +
                  "/\n"
                  "autosave_interval 1\n"
                  "log_dest file " +
                  d +
                  "/broker.log\n"
                  "log_type all\n"
                  "listener " +
                  std::to_string(port_) +
                  " 127.0.0.1\n"
                  "listener " +
                  std::to_string(tlsPort_) +
                  " 127.0.0.1\n"
                  "cafile " +
                  d +
                  "/ca.crt\n"
                  "certfile " +
                  d +
                  "/server.crt\n"
                  "keyfile " +
                  d + "/server.key\n");
    ready_ = ok && start();
}

Broker::~Broker() {
    stop();
}

bool Broker::start() {
    if (pid_ > 0) return true;
    pid_ = spawn({"mosquitto", "-c", dir_.path() + "/mosquitto.conf"}, dir_.path() + "/stdout.log");
    return pid_ > 0 &&
           eventually([&] { return acceptsConnections(port_); }, std::chrono::seconds(10));
}

void Broker::stop() {
    stopProcess(pid_, SIGTERM);
    pid_ = -1;
}

Subscriber::Subscriber(const Broker& broker, const std::string& topic, bool keepSession) {
    static int count = 0;
    const std::string id = "sub" + std::to_string(++count);
    file_ = broker.dir() + "/" + id + ".txt";
    writeFile(file_, "");
    std::vector<std::string> argv = {"mosquitto_sub",
                                     "-h",
                                     "127.0.0.1",
                                     "-p",
                                     std::to_string(broker.port()),
                                     "-u",
                                     Broker::kUser,
                                     "-P",
                                     Broker::kPassword,
                                     "-t",
                                     topic,
                                     "-v",
                                     "-q",
                                     "1"};
    argv.insert(argv.end(), {"-i", id});
    if (keepSession) argv.push_back("-c");
    pid_ = spawn(argv, file_);
    // Subscribed before the test goes on: the broker logs the SUBSCRIBE it has taken.
    subscribed_ = eventually([&] {
        return broker.log().find("Received SUBSCRIBE from " + id + "\n") != std::string::npos;
    });
}

Subscriber::~Subscriber() {
    stop();
}

void Subscriber::stop() {
    stopProcess(pid_, SIGTERM);
    pid_ = -1;
}

std::vector<std::string> Subscriber::messages() const {
    return lines(readFile(file_));
}

}  // namespace publishtest
