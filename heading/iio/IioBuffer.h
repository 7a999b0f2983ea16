#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "heading/iio/IioChanges.h"
#include "heading/iio/IioDiscovery.h"
#include "heading/iio/IioFiles.h"
#include "heading/iio/IioScanLayout.h"
#include "heading/iio/IioScanReader.h"

namespace heading {

// A device's triggered buffer, set up for whole scans of its x, y and z (and its timestamp, and
// its own accelerometer's axes where it has them): its own trigger, those scan elements and no
// others, a length and a watermark, then enabled. Destruction puts every attribute back as it
// was, the buffer switched off first.
class IioBuffer {
  public:
    static constexpr int kLength = 64;

    struct Access {
        std::string root;     // where iio:deviceN and the triggers live
        std::string devRoot;  // where the device nodes live
        AttributeReader read;
        AttributeWriter write;
    };

    // A buffer, or why the device cannot be read through one ("buffer/enable is not
    // writable"); nothing is left changed then. rate: the samples a second it will give.
    struct Opened {
        std::unique_ptr<IioBuffer> buffer;
        std::string whyNot;
    };
    static Opened open(const IioDeviceInfo& device, const Access& access, double rate);

    ~IioBuffer();
    // Switches the buffer off and restores the rest; returns what could not be put back.
    std::vector<std::string> release();

    const IioScanLayout& layout() const { return layout_; }
    IioScanReader& reader() { return reader_; }
    const std::string& trigger() const { return trigger_; }
    bool hasAccelerometer() const { return layout_.find("in_accel_x") >= 0; }

  private:
    IioBuffer(const Access& access, IioScanLayout layout, std::string node);

    IioChanges changes_;
    IioScanLayout layout_;
    IioScanReader reader_;
    std::string trigger_;
};

}  // namespace heading
