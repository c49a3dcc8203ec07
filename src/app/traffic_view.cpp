#include "app/traffic_view.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/bind.h"
#include "app/main_view.h"

namespace orv::app {

TrafficView::TrafficView(Program& program) : QWidget(nullptr), model_(program.traffic_window) {
    link::TrafficWindow& m = model_;
    setWindowIcon(orvantis_icon());
    auto* all = new QVBoxLayout(this);

    auto* lines = new QListWidget(this);
    lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lines->setUniformItemSizes(true);  // thousands of lines stay quick
    lines->setMinimumSize(640, 320);
    bind(lines, m.lines);
    all->addWidget(lines, 1);
    // Follow the end while the user has not scrolled away from it.
    QScrollBar* bar = lines->verticalScrollBar();
    auto following = std::make_shared<bool>(true);
    connect(bar, &QScrollBar::valueChanged, this,
            [bar, following](int v) { *following = v == bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [bar, following](int, int max) {
        if (*following) bar->setValue(max);
    });

    auto* controls = new QHBoxLayout;
    auto* pause = new QCheckBox(this);
    bind(pause, m.pause);
    controls->addWidget(pause);
    auto* direction_label = new QLabel(this);
    bind(direction_label, m.direction_label);
    auto* direction = new QComboBox(this);
    bind(direction, m.direction, direction_label);
    controls->addWidget(direction_label);
    controls->addWidget(direction);
    controls->addStretch(1);
    for (ui::Button* b : {&m.copy, &m.save, &m.close_button}) {
        auto* w = new QPushButton(this);
        bind(w, *b);
        controls->addWidget(w);
    }
    all->addLayout(controls);
    m.copied.connect([](const std::string& text) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    });

    bind_window(this, m);
}

void TrafficView::closeEvent(QCloseEvent* event) {
    model_.hide();
    event->accept();
}

}  // namespace orv::app
