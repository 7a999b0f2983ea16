#include "publish/MetricsText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace publish {

namespace {

// The fewest digits that read back as the same double.
void shortest(char* text, std::size_t size, double value) {
    for (int digits = 15; digits < 17; ++digits) {
        std::snprintf(text, size, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) return;
    }
    std::snprintf(text, size, "%.17g", value);
}

class Families {
  public:
    void family(const char* name, const char* type, const char* help) {
        name_ = name;
        out_ += "# HELP ";
        out_ += name;
        out_ += ' ';
        out_ += help;
        out_ += "\n# TYPE ";
        out_ += name;
        out_ += ' ';
        out_ += type;
        out_ += '\n';
    }

    // labels: {axis="x"} or empty.
    void sample(double value, const char* labels = "") {
        char number[64];
        if (std::isnan(value))
            std::snprintf(number, sizeof number, "NaN");
        else if (std::isinf(value))
            std::snprintf(number, sizeof number, value > 0 ? "+Inf" : "-Inf");
        else
            shortest(number, sizeof number, value);
        out_ += name_;
        out_ += labels;
        out_ += ' ';
        out_ += number;
        out_ += '\n';
    }

    void count(std::uint64_t value) {
        out_ += name_;
        out_ += ' ';
        out_ += std::to_string(value);
        out_ += '\n';
    }

    std::string take() { return std::move(out_); }

  private:
    std::string out_;
    const char* name_ = "";
};

}  // namespace

std::string metricsText(const MetricsSnapshot& s) {
    Families f;
    f.family("fluxprobe_field_microtesla", "gauge",
             "The latest sample's magnetic field along each device axis and in total.");
    if (s.field) {
        f.sample(s.field->x, "{axis=\"x\"}");
        f.sample(s.field->y, "{axis=\"y\"}");
        f.sample(s.field->z, "{axis=\"z\"}");
        f.sample(s.field->total, "{axis=\"total\"}");
    }
    f.family("fluxprobe_heading_degrees", "gauge",
             "The latest sample's heading from magnetic north, and from true north when known.");
    if (s.field) {
        f.sample(s.field->magneticHeading, "{north=\"magnetic\"}");
        if (s.field->trueHeading >= 0) f.sample(s.field->trueHeading, "{north=\"true\"}");
    }
    f.family("fluxprobe_alarm", "gauge", "1 while the total field is above the alarm threshold.");
    f.sample(s.alarm ? 1 : 0);
    f.family("fluxprobe_samples_delivered_total", "counter",
             "Samples the sensor delivered to the meter.");
    f.count(s.samplesDelivered);
    f.family("fluxprobe_samples_dropped_total", "counter",
             "Samples lost on the way from the sensor (the reader outran the meter).");
    f.count(s.samplesDropped);
    f.family("fluxprobe_station_minute_nanotesla", "gauge",
             "The station's latest minute value per component; NaN where it is missing.");
    if (s.minute) {
        f.sample(s.minute->x, "{component=\"x\"}");
        f.sample(s.minute->y, "{component=\"y\"}");
        f.sample(s.minute->z, "{component=\"z\"}");
        f.sample(s.minute->f, "{component=\"f\"}");
    }
    f.family("fluxprobe_station_minute_timestamp_seconds", "gauge",
             "The time of the station's latest minute value, in seconds since 1970.");
    if (s.minute) f.sample(static_cast<double>(s.minute->time));
    f.family("fluxprobe_station_dbdt_nanotesla_per_minute", "gauge",
             "The change of the horizontal field from one minute to the next.");
    if (s.rate) f.sample(s.rate->nanoteslaPerMinute);
    f.family("fluxprobe_station_dbdt_alert", "gauge",
             "1 while dB/dt is at or above its alert level.");
    if (s.rate) f.sample(s.rate->alert ? 1 : 0);
    f.family("fluxprobe_mqtt_connected", "gauge", "1 while connected to the MQTT broker.");
    if (s.mqtt) f.sample(s.mqtt->connected ? 1 : 0);
    f.family("fluxprobe_mqtt_spool_depth", "gauge",
             "Minutes in the spool, waiting for the broker to acknowledge them.");
    if (s.mqtt) f.sample(static_cast<double>(s.mqtt->spoolDepth));
    f.family("fluxprobe_mqtt_spool_dropped_total", "counter",
             "Minutes dropped from the full spool, oldest first.");
    if (s.mqtt) f.count(s.mqtt->spoolDropped);
    f.family("fluxprobe_mqtt_messages_dropped_total", "counter",
             "Seconds and live samples dropped while the broker fell behind.");
    if (s.mqtt) f.count(s.mqtt->messagesDropped);
    return f.take();
}

}  // namespace publish
