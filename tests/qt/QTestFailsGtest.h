#pragma once

// QTest's checks report to QTest's own log, which only exists inside QTest::qExec. Under
// GoogleTest a failed QVERIFY or QTRY_COMPARE would record nothing and return, and the test
// would pass. This header is force-included into every Qt test (see CMakeLists.txt) and turns
// each QTest failure into a fatal gtest failure at the line of the check, with QTest's message.
// QTest still decides (fuzzy floats, QString overloads); only the reporting changes. The QTRY_*
// macros are built on these, so they fail the test too, including when the condition only came
// true after the timeout.

#include <gtest/gtest.h>

#include <QTest>
#include <memory>
#include <string>

namespace fluxprobe::qtgtest {

// QTest::toString hands out new[] memory, or null when a type has no printable form.
template <typename T>
std::string printed(const T& value) {
    const std::unique_ptr<char[]> text(QTest::toString(value));
    return text ? std::string(text.get()) : std::string("(not printable)");
}

template <typename A, typename E>
::testing::AssertionResult compared(const char* actualText, const char* expectedText,
                                    const A& actual, const E& expected) {
    if (QTest::qCompare(actual, expected, actualText, expectedText, __FILE__, __LINE__))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "Compared values are not the same\n   Actual   (" << actualText
           << "): " << printed(actual) << "\n   Expected (" << expectedText
           << "): " << printed(expected);
}

}  // namespace fluxprobe::qtgtest

#undef QVERIFY
#define QVERIFY(statement)                                                               \
    do {                                                                                 \
        if (!static_cast<bool>(statement)) FAIL() << "'" #statement "' returned FALSE."; \
    } while (false)

#undef QVERIFY2
#define QVERIFY2(statement, description)                            \
    do {                                                            \
        if (!static_cast<bool>(statement))                          \
            FAIL() << "'" #statement "' returned FALSE. ("          \
                   << static_cast<const char*>(description) << ")"; \
    } while (false)

#undef QFAIL
#define QFAIL(message) FAIL() << static_cast<const char*>(message)

#undef QCOMPARE
#define QCOMPARE(actual, expected) \
    ASSERT_PRED_FORMAT2(::fluxprobe::qtgtest::compared, actual, expected)

// The value is computed once, as QTest does, and shown beside the baseline it missed.
#undef QCOMPARE_OP_IMPL
#define QCOMPARE_OP_IMPL(lhs, rhs, op, opId)                                                \
    do {                                                                                    \
        auto&& qt_gtest_lhs = (lhs);                                                        \
        auto&& qt_gtest_rhs = (rhs);                                                        \
        if (!(qt_gtest_lhs op qt_gtest_rhs))                                                \
            FAIL() << "'" #lhs " " #op " " #rhs "' is false\n   Computed (" #lhs "): "      \
                   << ::fluxprobe::qtgtest::printed(qt_gtest_lhs) << "\n   Baseline (" #rhs \
                   << "): " << ::fluxprobe::qtgtest::printed(qt_gtest_rhs);                 \
    } while (false)

#undef QVERIFY_THROWS_NO_EXCEPTION
#define QVERIFY_THROWS_NO_EXCEPTION(...) ASSERT_NO_THROW(([&] { __VA_ARGS__; }()))

#undef QVERIFY_THROWS_EXCEPTION
#define QVERIFY_THROWS_EXCEPTION(exceptiontype, ...) \
    ASSERT_THROW(([&] { __VA_ARGS__; }()), exceptiontype)

#undef QSKIP_INTERNAL
#define QSKIP_INTERNAL(statement) GTEST_SKIP() << static_cast<const char*>(statement)

// No gtest counterpart: an expected failure would silently turn into a pass.
#undef QEXPECT_FAIL
#define QEXPECT_FAIL(dataIndex, comment, mode) \
    static_assert(false, "QEXPECT_FAIL does not work under gtest; use EXPECT_FATAL_FAILURE")
