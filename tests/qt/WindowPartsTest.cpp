#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "qt/interface/WindowParts.h"

namespace {

using platform::qt::WindowParts;

// A screen as the loader leaves it: a named header row holding a title and a button.
std::unique_ptr<QWidget> screen() {
    auto root = std::make_unique<QWidget>();
    auto* column = new QVBoxLayout(root.get());
    auto* header = new QHBoxLayout;
    header->setObjectName(QStringLiteral("headerRow"));
    column->addLayout(header);
    auto* title = new QLabel(QStringLiteral("Meter"));
    title->setObjectName(QStringLiteral("titleLabel"));
    header->addWidget(title);
    auto* done = new QPushButton(QStringLiteral("Done"));
    done->setObjectName(QStringLiteral("doneButton"));
    header->addWidget(done);
    return root;
}

TEST(WindowParts, HoldsTheNamedPartsByTypeAndEveryWidgetUnderTheRoot) {
    auto root = screen();
    EXPECT_EQ(WindowParts::find(root.get()), nullptr);  // asking does not gather
    WindowParts& parts = WindowParts::of(root.get());
    EXPECT_EQ(&WindowParts::of(root.get()), &parts);
    EXPECT_EQ(WindowParts::find(root.get()), &parts);
    ASSERT_NE(parts.named<QHBoxLayout>("headerRow"), nullptr);
    ASSERT_NE(parts.named<QLabel>("titleLabel"), nullptr);
    EXPECT_EQ(parts.named<QLabel>("titleLabel")->text(), QStringLiteral("Meter"));
    EXPECT_EQ(parts.named<QPushButton>("titleLabel"), nullptr);  // there, but not a button
    EXPECT_EQ(parts.named<QWidget>("nothing"), nullptr);
    EXPECT_EQ(parts.widgets<QWidget>().size(), 2);
    EXPECT_EQ(parts.widgets<QPushButton>().size(), 1);
}

TEST(WindowParts, KeepsWhatIsAddedLaterForgetsWhatIsGoneAndGoesWithItsRoot) {
    auto root = screen();
    WindowParts& parts = WindowParts::of(root.get());
    auto* banner = new QLabel(root.get());
    banner->setObjectName(QStringLiteral("banner"));
    new QLabel(root.get());  // made without telling the record: it is not searched for
    parts.add(banner);
    EXPECT_EQ(parts.named<QLabel>("banner"), banner);
    EXPECT_EQ(parts.widgets<QLabel>().size(), 2);  // the title and the banner
    delete parts.named<QLabel>("titleLabel");
    EXPECT_EQ(parts.named<QLabel>("titleLabel"), nullptr);
    EXPECT_EQ(parts.widgets<QLabel>().size(), 1);

    const auto countOf = [](const WindowParts* p) {
        const auto all = WindowParts::all();
        return std::count(all.begin(), all.end(), p);
    };
    EXPECT_EQ(countOf(&parts), 1);
    const WindowParts* gone = &parts;
    root.reset();
    EXPECT_EQ(countOf(gone), 0);
}

}  // namespace
