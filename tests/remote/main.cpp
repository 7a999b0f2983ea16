#include <gtest/gtest.h>

#include <QCoreApplication>

// One application (and event loop) for every test; the server under test runs on it.
int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
