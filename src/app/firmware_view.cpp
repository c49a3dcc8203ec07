#include "app/firmware_view.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "app/bind.h"
#include "app/main_view.h"

namespace orv::app {

FirmwareView::FirmwareView(Program& program) : QWidget(nullptr), model_(program.firmware) {
    FirmwareWindow& m = model_;
    setWindowIcon(orvantis_icon());
    auto* grid = new QGridLayout(this);

    auto* file_label = new QLabel(this);
    bind(file_label, m.file_label);
    auto* file = new QLineEdit(this);
    file->setMinimumWidth(320);
    bind(file, m.file_box, file_label);
    auto* browse = new QPushButton(this);
    bind(browse, m.browse);
    grid->addWidget(file_label, 0, 0);
    grid->addWidget(file, 0, 1);
    grid->addWidget(browse, 0, 2);

    auto* lines = new QListWidget(this);
    lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lines->setMinimumHeight(160);
    bind(lines, m.file_lines);
    grid->addWidget(lines, 1, 0, 1, 3);

    auto* reply_label = new QLabel(this);
    bind(reply_label, m.reply_label);
    auto* reply = new QLineEdit(this);
    bind(reply, m.reply_box, reply_label);
    grid->addWidget(reply_label, 2, 0);
    grid->addWidget(reply, 2, 1, 1, 2);

    auto* bar = new QProgressBar(this);
    bind(bar, m.progress);
    grid->addWidget(bar, 3, 0, 1, 3);
    auto* status = new QLabel(this);
    bind(status, m.status_line);
    grid->addWidget(status, 4, 0, 1, 3);

    auto* buttons = new QHBoxLayout;
    for (ui::Button* b : {&m.boot_up, &m.program_button}) {
        auto* w = new QPushButton(this);
        bind(w, *b);
        buttons->addWidget(w);
    }
    buttons->addStretch(1);
    auto* exit = new QPushButton(this);
    bind(exit, m.exit_button);
    buttons->addWidget(exit);
    grid->addLayout(buttons, 5, 0, 1, 3);

    bind_window(this, m);
}

void FirmwareView::closeEvent(QCloseEvent* event) {
    // The close control acts as EXIT, and like EXIT it waits while the box is being programmed.
    if (model_.visible()) model_.close_control();
    if (model_.visible()) {
        event->ignore();
    } else {
        event->accept();
    }
}

}  // namespace orv::app
