#include "app/port_settings_view.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "app/bind.h"
#include "app/main_view.h"

namespace orv::app {

PortSettingsView::PortSettingsView(Program& program) : QWidget(nullptr), model_(program.settings) {
    PortSettingsWindow& model = model_;
    setWindowIcon(orvantis_icon());
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(4);

    auto label = [this](ui::Label& m, bool heading = false) {
        auto* w = new QLabel(this);
        if (heading) {
            QFont f = w->font();
            f.setBold(true);
            w->setFont(f);
        }
        bind(w, m);
        return w;
    };
    auto combo = [this](ui::ComboBox& m, QLabel* buddy) {
        auto* w = new QComboBox(this);
        w->setMinimumContentsLength(15);
        w->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        bind(w, m, buddy);
        return w;
    };

    grid->addWidget(label(model.serial_label, true), 0, 0);
    auto* baud = label(model.baud_label);
    grid->addWidget(baud, 1, 0);
    grid->addWidget(combo(model.baud_box, baud), 2, 0, Qt::AlignTop);

    grid->addWidget(label(model.tcp_label, true), 0, 1);
    auto* addr = label(model.ip_address_label);
    grid->addWidget(addr, 1, 1);
    grid->addWidget(combo(model.ip_address, addr), 2, 1);
    auto* port = label(model.ip_port_label);
    grid->addWidget(port, 3, 1);
    grid->addWidget(combo(model.ip_port, port), 4, 1);

    auto* ok = new QPushButton(this);
    ok->setMinimumWidth(80);
    bind(ok, model.ok_button);
    grid->setRowMinimumHeight(5, 8);
    grid->addWidget(ok, 6, 1, Qt::AlignRight);

    bind_window(this, model);
}

void PortSettingsView::keyPressEvent(QKeyEvent* event) {
    // Enter presses OK; Escape is the close control.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            model_.ok_button.click();
            return;
        case Qt::Key_Escape:
            close();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

bool PortSettingsView::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) model_.activated();
    return QWidget::event(event);
}

void PortSettingsView::closeEvent(QCloseEvent* event) {
    // The close control hides the window and leaves the lists as they are; the widget lives on.
    model_.close_control();
    if (model_.visible())
        event->ignore();
    else
        event->accept();
}

}  // namespace orv::app
