#include "app/main_view.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <vector>

#include "app/bind.h"
#include "app/night.h"

namespace orv::app {

namespace {

// Builds the widgets of one window, each bound to its model control as it is made.
class Maker {
public:
    explicit Maker(QWidget* parent) : parent_(parent) {}

    QLabel* label(ui::Label& model) {
        auto* w = new QLabel(parent_);
        bind(w, model);
        return w;
    }
    // A label the model does not know, such as a unit after a box.
    QLabel* unit(const char* text) {
        auto* w = new QLabel(QString::fromUtf8(text), parent_);
        w->setAccessibleName(w->text());
        return w;
    }
    // A box wide enough for `chars` digits.
    QLineEdit* box(ui::TextBox& model, int chars, QLabel* buddy = nullptr) {
        auto* w = new QLineEdit(parent_);
        w->setFixedWidth(text_width(w, chars));
        bind(w, model, buddy);
        return w;
    }
    QPushButton* button(ui::Button& model) {
        auto* w = new QPushButton(parent_);
        w->setAutoDefault(false);
        bind(w, model);
        return w;
    }
    // A button showing only its picture.
    QPushButton* picture(ui::Button& model) {
        auto* w = new QPushButton(parent_);
        w->setAutoDefault(false);
        w->setIconSize({20, 20});
        w->setFixedSize(32, 32);
        bind(w, model);
        return w;
    }
    QCheckBox* check(ui::CheckBox& model, QLabel* buddy = nullptr) {
        auto* w = new QCheckBox(parent_);
        bind(w, model, buddy);
        return w;
    }
    QFrame* line(QFrame::Shape shape) {
        auto* w = new QFrame(parent_);
        w->setFrameShape(shape);
        w->setFrameShadow(QFrame::Sunken);
        return w;
    }

    static int text_width(QWidget* w, int chars) {
        return w->fontMetrics().horizontalAdvance(QString(chars, QLatin1Char('0'))) + 14;
    }

private:
    QWidget* parent_;
};

// Hands Up and Down in a box to the model, which decides what they do.
class KeySteps : public QObject {
public:
    KeySteps(QObject* parent, std::function<void(bool older)> step)
        : QObject(parent), step_(std::move(step)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                step_(key == Qt::Key_Up);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(bool)> step_;
};

// Escape in any window of the program, and Space on a slew button, stop whatever moves. Escape
// then goes on to do what it does where it was pressed (a message box or Port Settings closes).
class StopKey : public QObject {
public:
    StopKey(QObject* parent, MainWindow& m, std::vector<QWidget*> slew)
        : QObject(parent), m_(m), slew_(std::move(slew)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
        // A key goes to the window first and then up from the focus widget through its
        // parents: it is taken once, where it first reaches a widget.
        QWidget* focus = QApplication::focusWidget();
        if (watched != (focus ? focus : QApplication::activeWindow())) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const bool press = event->type() == QEvent::KeyPress && !key->isAutoRepeat();
        if (key->key() == Qt::Key_Space &&
            std::find(slew_.begin(), slew_.end(), watched) != slew_.end()) {
            if (press) m_.stop_key.fire();
            return true;  // Space does not press the arrow it is on
        }
        if (key->key() == Qt::Key_Escape && press) m_.stop_key.fire();
        return false;
    }

private:
    MainWindow& m_;
    std::vector<QWidget*> slew_;
};

QHBoxLayout* row(std::initializer_list<QWidget*> widgets, int indent = 0) {
    auto* l = new QHBoxLayout;
    l->setSpacing(6);
    l->setContentsMargins(indent, 0, 0, 0);
    for (auto* w : widgets) l->addWidget(w);
    l->addStretch(1);
    return l;
}

QLabel* heading(QLabel* l) {
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

}  // namespace

QImage orvantis_picture(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    // A dark ring for the sky, a tube pointing up to the right, and a small tripod (the same
    // picture as data/orvantis.svg).
    p.setPen(QPen(QColor(20, 40, 90), 5));
    p.setBrush(QColor(30, 60, 130));
    p.drawEllipse(QRectF(4, 4, 56, 56));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 230, 120));
    p.drawEllipse(QRectF(44, 14, 5, 5));
    p.save();
    p.translate(30, 34);
    p.rotate(-35);
    p.setBrush(QColor(235, 235, 240));
    p.drawRoundedRect(QRectF(-18, -6, 34, 12), 2, 2);
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(14, -7, 5, 14));
    p.restore();
    p.setPen(QPen(QColor(235, 235, 240), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(30, 36), QPointF(20, 52));
    p.drawLine(QPointF(30, 36), QPointF(40, 52));
    return image;
}

QIcon orvantis_icon() {
    QIcon icon;
    for (const int size : {16, 32, 64}) icon.addPixmap(QPixmap::fromImage(orvantis_picture(size)));
    return icon;
}

MainView::MainView(Program& program, QWidget* parent) : QWidget(parent), program_(program) {
    MainWindow& m = program.main;
    Maker make(this);
    setWindowIcon(orvantis_icon());

    // connection
    auto* portLabel = make.label(m.port_label);
    auto* port = new QComboBox(this);
    port->setMinimumContentsLength(10);
    port->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    bind(port, m.port_list, portLabel);
    auto* orvanLabel = make.label(m.identity_label);
    auto* progress = make.label(m.link_progress);
    auto* connection = row({portLabel, port, make.button(m.connect_button),
                            make.button(m.port_settings_button)});
    // Its line is there whether or not it says something, so nothing moves when it does.
    progress->setMinimumHeight(progress->fontMetrics().height());
    progress->setIndent(portLabel->sizeHint().width() + 6);
    // While a link is being made the pointer shows it; the window still takes DISCONNECT.
    QPointer<MainView> view(this);
    m.link_progress.updated.connect([view, &m] {
        if (!view) return;
        if (m.link_progress.caption().empty())
            view->unsetCursor();
        else
            view->setCursor(Qt::BusyCursor);
    });
    connection->addSpacing(12);
    connection->addWidget(orvanLabel);
    connection->addWidget(make.box(m.identity_box, 8, orvanLabel));

    // RF channel
    auto* channelLabel = make.label(m.channel_label);
    auto* channel =
        row({channelLabel, make.box(m.channel_box, 4, channelLabel), make.button(m.read_channel),
             make.button(m.write_channel), make.button(m.write_to_remote)});

    // slew pad, with the pulse guide mode beside it
    auto* pad = new QGridLayout;
    pad->setSpacing(2);
    const std::vector<QWidget*> slewButtons = {
        make.picture(m.slew_up), make.picture(m.slew_left), make.picture(m.slew_stop),
        make.picture(m.slew_right), make.picture(m.slew_down)};
    pad->addWidget(slewButtons[0], 0, 1);
    pad->addWidget(slewButtons[1], 1, 0);
    pad->addWidget(slewButtons[2], 1, 1);
    pad->addWidget(slewButtons[3], 1, 2);
    pad->addWidget(slewButtons[4], 2, 1);
    qApp->installEventFilter(new StopKey(this, m, slewButtons));
    auto* pulse = new QVBoxLayout;
    pulse->addStretch(1);
    pulse->addWidget(make.check(m.pulse_mode));
    pulse->addLayout(row({make.box(m.pulse_time, 5), make.label(m.pulse_unit_label)}));
    pulse->addStretch(1);
    auto* slewPad = new QHBoxLayout;
    slewPad->addLayout(pad);
    slewPad->addSpacing(10);
    slewPad->addLayout(pulse);
    auto* slew = new QVBoxLayout;
    slew->addWidget(heading(make.label(m.slew_label)));
    slew->addLayout(slewPad);
    slew->addStretch(1);

    // focus: the run buttons around the position, then the two setpoints
    auto* run = new QVBoxLayout;
    run->setSpacing(4);
    auto* focusUp = make.button(m.focus_up);
    auto* position = make.box(m.focus_position, 6);
    auto* focusDown = make.button(m.focus_down);
    for (auto* w : std::initializer_list<QWidget*>{focusUp, position, focusDown}) {
        w->setFixedWidth(std::max(focusUp->sizeHint().width(), position->width()));
        run->addWidget(w);
    }
    run->addStretch(1);
    auto* setpoints = new QGridLayout;
    setpoints->setHorizontalSpacing(4);
    setpoints->setVerticalSpacing(4);
    auto* setpointsLabel = make.label(m.setpoints_label);
    setpoints->addWidget(setpointsLabel, 0, 0, 1, 4);
    struct Setpoint {
        ui::TextBox& box;
        ui::ScrollBar& spinner;
        ui::Button& set;
        ui::Button& go;
    };
    const Setpoint rows[2] = {
        {m.setpoint_box[0], m.setpoint_spinner[0], m.set_setpoint[0], m.goto_setpoint[0]},
        {m.setpoint_box[1], m.setpoint_spinner[1], m.set_setpoint[1], m.goto_setpoint[1]}};
    for (int i = 0; i < 2; ++i) {
        auto* box = make.box(rows[i].box, 5, i == 0 ? setpointsLabel : nullptr);
        auto* spinner = new QScrollBar(Qt::Vertical, this);
        spinner->setFixedSize(16, box->sizeHint().height());
        bind(spinner, rows[i].spinner);
        auto* boxAndSpinner = new QHBoxLayout;
        boxAndSpinner->setSpacing(0);
        boxAndSpinner->addWidget(box);
        boxAndSpinner->addWidget(spinner);
        setpoints->addLayout(boxAndSpinner, i + 1, 0);
        setpoints->addWidget(make.button(rows[i].set), i + 1, 1);
        setpoints->addWidget(make.button(rows[i].go), i + 1, 2);
    }
    auto* incrementLabel = make.label(m.increment_label);
    setpoints->addLayout(row({incrementLabel, make.box(m.increment_box, 5, incrementLabel)}), 3, 0,
                         1, 4);
    setpoints->setColumnStretch(3, 1);
    setpoints->setRowStretch(4, 1);
    auto* focus = new QHBoxLayout;
    focus->addLayout(run);
    focus->addSpacing(10);
    focus->addLayout(setpoints);

    auto* motion = new QHBoxLayout;
    motion->addLayout(slew);
    motion->addWidget(make.line(QFrame::VLine));
    motion->addLayout(focus, 1);

    // shutter
    auto* shutter = new QGridLayout;
    shutter->setHorizontalSpacing(6);
    shutter->setVerticalSpacing(4);
    shutter->addWidget(heading(make.label(m.shutter_label)), 0, 0, 1, 6);
    shutter->addLayout(
        row({make.button(m.shutter_on), make.button(m.shutter_off), make.button(m.auto_shutter)}),
        1, 0, 1, 6);
    const std::pair<ui::Label*, ui::TextBox*> exposure[3] = {
        {&m.exposure_secs_label, &m.exposure_secs},
        {&m.exposure_gap_label, &m.exposure_gap},
        {&m.exposure_count_label, &m.exposure_count}};
    for (int i = 0; i < 3; ++i) {
        auto* l = make.label(*exposure[i].first);
        shutter->addWidget(l, 2, i);
        shutter->addWidget(make.box(*exposure[i].second, 5, l), 3, i);
    }
    for (auto [col, value] :
         {std::pair{3, &m.elapsed_label}, std::pair{4, &m.exposure_number_label}}) {
        auto* w = make.label(*value);
        w->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        w->setAlignment(Qt::AlignCenter);
        w->setFixedWidth(Maker::text_width(w, 5));
        shutter->addWidget(w, 3, col);
    }
    auto* indicator = new ShapeWidget(this);
    bind(indicator, m.shutter_indicator);
    shutter->addWidget(indicator, 3, 5, Qt::AlignCenter);
    auto* runLine = make.label(m.run_progress);
    runLine->setMinimumHeight(runLine->fontMetrics().height());  // nothing moves when it speaks
    shutter->addWidget(runLine, 4, 0, 1, 7);
    shutter->setColumnStretch(6, 1);

    // direct commands and firmware upload, side by side
    auto* directLabel = make.label(m.command_label);
    auto* direct = new QVBoxLayout;
    direct->addWidget(directLabel);
    auto* command = make.box(m.command_box, 18, directLabel);
    // Up and Down walk through the commands sent before; the list beside offers them all.
    command->installEventFilter(new KeySteps(
        command, [&m](bool older) { older ? m.command_older.fire() : m.command_newer.fire(); }));
    auto* history = new QComboBox(this);
    history->setFixedWidth(Maker::text_width(history, 2) + 10);
    history->setToolTip("Earlier commands");
    // Named for a screen reader by a label of its own, as the boxes are by theirs.
    auto* historyLabel = make.unit("Earlier commands");
    historyLabel->setBuddy(history);
    historyLabel->hide();
    history->view()->setMinimumWidth(Maker::text_width(history, 24));
    bind(history, m.command_history);
    direct->addLayout(row({command, history, make.button(m.send_button)}));
    auto* firmware = new QVBoxLayout;
    auto* password = make.box(m.password_box, 12);
    auto* upload = make.button(m.firmware_upload);
    password->setFixedWidth(std::max(password->width(), upload->sizeHint().width()));
    upload->setFixedWidth(password->width());
    firmware->addWidget(password);
    firmware->addWidget(upload);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(direct);
    bottom->addWidget(make.line(QFrame::VLine));
    bottom->addLayout(firmware);
    bottom->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addLayout(connection);
    left->addWidget(progress);
    left->addWidget(make.line(QFrame::HLine));
    left->addLayout(channel);
    left->addWidget(make.line(QFrame::HLine));
    left->addLayout(motion);
    left->addWidget(make.line(QFrame::HLine));
    left->addLayout(shutter);
    left->addWidget(make.line(QFrame::HLine));
    left->addLayout(bottom);
    left->addStretch(1);

    // device settings panel, with EXIT at its foot
    auto* panel = new QGridLayout;
    panel->setHorizontalSpacing(6);
    panel->setVerticalSpacing(4);
    int r = 0;
    panel->addLayout(row({make.button(m.read_settings), make.button(m.write_settings)}), r++, 0, 1,
                     3);
    for (auto [l, box] : {std::pair{&m.product_code_label, &m.product_code},
                          std::pair{&m.firmware_version_label, &m.firmware_version}}) {
        auto* w = make.label(*l);
        panel->addWidget(w, r, 0);
        panel->addWidget(make.box(*box, 8, w), r++, 1, 1, 2, Qt::AlignLeft);
    }
    panel->addWidget(make.line(QFrame::HLine), r++, 0, 1, 3);
    panel->addWidget(heading(make.label(m.reversal_label)), r++, 0, 1, 3);
    panel->addLayout(row({make.check(m.rev_ra), make.check(m.rev_dec)}, 8), r++, 0, 1, 3);
    panel->addWidget(make.line(QFrame::HLine), r++, 0, 1, 3);
    panel->addWidget(heading(make.label(m.exposure_settings_label)), r++, 0, 1, 3);
    for (int i = 0; i < 6; ++i) {
        auto* w = make.label(m.time_labels[i]);
        w->setIndent(8);
        panel->addWidget(w, r, 0);
        panel->addWidget(make.box(m.time_boxes[i], 5, w), r, 1);
        panel->addWidget(make.unit("secs"), r++, 2);
    }
    panel->addWidget(make.line(QFrame::HLine), r++, 0, 1, 3);
    for (auto [l, check] : {std::pair{&m.autostar_label, &m.autostar_mode},
                            std::pair{&m.sequential_label, &m.sequential_guiding}}) {
        auto* w = make.label(*l);
        panel->addWidget(w, r++, 0, 1, 3);
        panel->addLayout(row({make.check(*check, w)}, 8), r++, 0, 1, 3);
    }
    panel->setColumnStretch(2, 1);
    panel->setRowStretch(r++, 1);
    // night mode, with Ctrl+N from any window of the program
    auto* night = make.check(m.night_mode);
    auto* brightnessLabel = make.label(m.night_brightness_label);
    auto* brightness = new QComboBox(this);
    bind(brightness, m.night_brightness, brightnessLabel);
    panel->addLayout(row({night, brightnessLabel, brightness}), r++, 0, 1, 3);
    auto* nightKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), this);
    nightKey->setContext(Qt::ApplicationShortcut);
    connect(nightKey, &QShortcut::activated, this,
            [&m] { m.night_mode.set_value(m.night_mode.value() == 1 ? 0 : 1); });
    const auto follow_night = [&m] {
        const auto& levels = m.night_brightness.items();
        const auto at = std::find(levels.begin(), levels.end(), m.night_brightness.text());
        night::apply(m.night_mode.value() == 1, static_cast<int>(at - levels.begin()));
    };
    m.night_mode.changed.connect(follow_night);
    m.night_brightness.changed.connect(follow_night);
    auto* traffic = make.button(m.traffic_button);
    auto* exit = make.button(m.exit_button);
    exit->setMinimumWidth(80);
    auto* foot = new QHBoxLayout;
    foot->addWidget(traffic);
    foot->addStretch(1);
    foot->addWidget(exit);
    panel->addLayout(foot, r, 0, 1, 3);

    auto* all = new QHBoxLayout(this);
    all->addLayout(left);
    all->addWidget(make.line(QFrame::VLine));
    all->addLayout(panel);

    bind_window(this, m);
    QPointer<MainView> self(this);
    m.closed.connect([self] {
        if (self) self->close();
    });
}

void MainView::closeEvent(QCloseEvent* event) {
    if (program_.main_closing()) {
        event->accept();
    } else {
        event->ignore();  // the user chose to let the firmware update finish
    }
}

}  // namespace orv::app
