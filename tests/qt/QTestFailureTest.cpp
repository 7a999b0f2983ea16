#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QString>
#include <QTest>

// A QTest check that fails must fail the gtest test around it and say what it saw; otherwise
// every QTRY in this suite could miss and still pass.
TEST(QTestFailure, FailsTheGtestTestWithQTestsMessage) {
    EXPECT_FATAL_FAILURE(QTRY_VERIFY_WITH_TIMEOUT(1 + 1 == 3, 20), "'1 + 1 == 3' returned FALSE.");
    EXPECT_FATAL_FAILURE(QTRY_COMPARE_WITH_TIMEOUT(QString("east"), QString("west"), 20),
                         "Expected (QString(\"west\")): \"west\"");
    EXPECT_FATAL_FAILURE(QCOMPARE_GE(2 + 2, 5), "Computed (2 + 2): 4");
}
