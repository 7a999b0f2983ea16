#include <gtest/gtest.h>

#include <filesystem>

#include "HeadingTestSupport.h"
#include "heading/iio/IioSensorId.h"

namespace {

// The id follows the device the sensor hangs off, not the iio:deviceN number the kernel gave it
// this time, and is safe as a file name.
TEST(IioSensorId, NamesTheDriverAndTheParentDeviceNotTheDeviceNumber) {
    const auto root = heading_test::freshTempDir("sensor-id");
    const auto real = root / "devices/i2c-1/1-000c";
    std::filesystem::create_directories(real / "iio:device3");
    std::filesystem::create_directories(root / "bus");
    std::filesystem::create_directory_symlink(real / "iio:device3", root / "bus/iio:device0");

    heading::IioDeviceInfo device;
    device.id = "iio:device0";
    device.path = (root / "bus/iio:device0").string();
    device.name = "ak 8975";
    const std::string id = heading::iioSensorId(device);
    EXPECT_TRUE(id.starts_with("ak_8975@")) << id;
    EXPECT_TRUE(id.ends_with("-devices-i2c-1-1-000c")) << id;
    EXPECT_EQ(id.find('/'), std::string::npos) << id;
    EXPECT_EQ(id.find("device0"), std::string::npos) << id;
    std::filesystem::remove_all(root);
}

}  // namespace
