#include "app/bind.h"

#include "app/night.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStringList>

#include <algorithm>
#include <memory>

namespace orv::app {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The properties every control has.
void show_common(QWidget* w, const ui::Control& c) {
    w->setEnabled(c.enabled());
    if (w->isHidden() == c.visible()) w->setVisible(c.visible());
    w->setToolTip(qs(c.tooltip()));
    w->setAccessibleName(qs(c.accessible_name()));
    w->setAccessibleDescription(qs(c.description()));
}

// Shows the model now and after each of its changes, for as long as the widget lives.
template <class W, class M, class Show>
void follow(W* widget, M& model, Show show) {
    widget->setObjectName(qs(model.name()));
    QPointer<W> guard(widget);
    auto refresh = [guard, &model, show] {
        if (guard.isNull()) return;
        show_common(guard.data(), model);
        show(guard.data(), model);
    };
    model.updated.connect(refresh);
    refresh();
}

void set_buddy(QLabel* buddy, QWidget* widget) {
    if (buddy != nullptr) buddy->setBuddy(widget);
}

// Pairs the model's press and release, whatever happens in between. QAbstractButton reacts to
// the left mouse button only; here the right and middle buttons press and release the model's
// button too, and look pressed while they hold it. Every press reaches the model once and is
// followed by exactly one release, also when the mouse button never comes up on the button:
// - the pointer leaves while held: Qt lets the button up and reports `released`; when the
//   pointer comes back while the mouse button is still down, Qt shows the button pressed and
//   reports `pressed` again, which is not passed on: one hold is one press (one guide pulse,
//   one move), and the mount does not start again without a new press;
// - the button loses the keyboard focus while held (another window or a message box comes to
//   the front): Qt reports `released` for a button that had the focus, but not when a popup
//   takes the focus, and a hold by the right or middle button would otherwise be released a
//   second time when that button comes up;
// - the window is deactivated or the button hidden while it does not have the focus;
// - the button is disabled while held.
// Models that start something on a press (a slewing mount, a running focuser) rely on it.
class HeldButton : public QObject {
public:
    HeldButton(QAbstractButton* button, ui::Button& model)
        : QObject(button), button_(button), model_(model) {}

    // Qt's `pressed`: a mouse press, a key press, or the accessibility interface's press.
    void qt_pressed() {
        if (mouse_down_ && pressed_this_hold_) return;  // the pointer came back during a hold
        pressed_this_hold_ = true;
        press();
    }
    void press() {
        if (held_) return;
        held_ = true;
        model_.press();
    }
    void release() {
        if (!held_) return;
        held_ = false;
        by_other_ = false;
        model_.release();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != button_) return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                mouse_down_ = true;
                pressed_this_hold_ = false;
            }
            if (other_button(event) && !held_) {
                by_other_ = true;
                button_->setDown(true);
                press();
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) mouse_down_ = false;
            if (other_button(event) && by_other_) {
                let_go();
                return true;
            }
            break;
        case QEvent::EnabledChange:
            if (!button_->isEnabled()) let_go();
            break;
        case QEvent::KeyPress:
            mouse_down_ = false;
            break;
        case QEvent::FocusOut:
        case QEvent::WindowDeactivate:
        case QEvent::Hide:
            mouse_down_ = false;
            let_go();
            break;
        default:
            break;
        }
        return false;
    }

private:
    static bool other_button(QEvent* event) {
        const auto b = static_cast<QMouseEvent*>(event)->button();
        return b == Qt::RightButton || b == Qt::MiddleButton;
    }
    // Up on screen first, so Qt has no held button left to report later.
    void let_go() {
        if (!held_) return;
        button_->setDown(false);
        release();
    }

    QAbstractButton* button_;
    ui::Button& model_;
    bool held_ = false;      // the model has been pressed and not yet released
    bool by_other_ = false;  // held by the right or middle mouse button
    bool mouse_down_ = false;        // the left mouse button went down on the button, not up yet
    bool pressed_this_hold_ = false;  // and the model has had its one press of that hold
};

// `dim` for a switched-off button at night: the style's greyed picture is no colour for the dark.
QPixmap arrow_pixmap(ui::Picture picture, int size, bool dim = false) {
    const auto night_red = [dim](int full) { return night::red(dim ? full / 2 : full); };
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    if (picture == ui::Picture::Stop) {
        const double m = s * 0.2;
        p.setPen(QPen(night::on() ? night_red(150) : QColor(120, 0, 0), 1));
        p.setBrush(night::on() ? night_red(230) : QColor(220, 20, 20));
        p.drawRect(QRectF(m, m, s - 2 * m, s - 2 * m));
        return pm;
    }
    // An arrow pointing up, turned to the wanted direction.
    QPainterPath path;
    path.moveTo(0.5 * s, 0.08 * s);
    path.lineTo(0.92 * s, 0.52 * s);
    path.lineTo(0.66 * s, 0.52 * s);
    path.lineTo(0.66 * s, 0.92 * s);
    path.lineTo(0.34 * s, 0.92 * s);
    path.lineTo(0.34 * s, 0.52 * s);
    path.lineTo(0.08 * s, 0.52 * s);
    path.closeSubpath();
    int turn = 0;
    switch (picture) {
    case ui::Picture::ArrowRight: turn = 90; break;
    case ui::Picture::ArrowDown: turn = 180; break;
    case ui::Picture::ArrowLeft: turn = 270; break;
    default: break;
    }
    p.translate(s / 2, s / 2);
    p.rotate(turn);
    p.translate(-s / 2, -s / 2);
    p.setPen(QPen(night::on() ? night_red(90) : QColor(10, 40, 90), 1));
    p.setBrush(night::on() ? night_red(200) : QColor(40, 90, 170));
    p.drawPath(path);
    return pm;
}

}  // namespace

QIcon picture_icon(ui::Picture picture, int size) {
    if (picture == ui::Picture::None) return {};
    QIcon icon;
    for (const int s : {size, size * 2}) {
        icon.addPixmap(arrow_pixmap(picture, s));
        if (night::on()) icon.addPixmap(arrow_pixmap(picture, s, true), QIcon::Disabled);
    }
    return icon;
}

ShapeWidget::ShapeWidget(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ShapeWidget::set_color(ui::Colour colour) {
    if (color_ == colour) return;
    color_ = colour;
    update();
}

// In night mode green and red are both red: the indicator is a bright or a dark red with
// "ON" or "OFF" beside it.
QSize ShapeWidget::sizeHint() const {
    if (!night::on()) return {18, 18};
    return {18 + 4 + fontMetrics().horizontalAdvance("OFF"), std::max(18, fontMetrics().height())};
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool night = night::on();
    const QColor fill = color_ == ui::Colour::Red ? (night ? night::red(70) : QColor(255, 0, 0))
                        : color_ == ui::Colour::Green
                            ? (night ? night::red(255) : QColor(0, 255, 0))
                            : (night ? night::red(0) : QColor(255, 255, 255));
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    p.setBrush(fill);
    const int d = std::min(18, height()) - 2;
    const double left = night ? 1.0 : (width() - d) / 2.0;
    p.drawEllipse(QRectF(left, (height() - d) / 2.0, d, d));
    if (night && color_ != ui::Colour::White)
        p.drawText(QRect(18 + 4, 0, width() - 22, height()), Qt::AlignVCenter | Qt::AlignLeft,
                   color_ == ui::Colour::Green ? "ON" : "OFF");
}

QString with_access_key(const std::string& caption, char key) {
    QString text = qs(caption);
    text.replace('&', "&&");  // a caption's own "&" is shown as it is
    if (key == 0) return text;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i].toUpper() == QChar(key).toUpper() && (i == 0 || text[i - 1] != '&')) {
            text.insert(i, '&');
            break;
        }
    return text;
}

void bind(QAbstractButton* widget, ui::Button& model) {
    follow(widget, model, [](QAbstractButton* w, ui::Button& m) {
        w->setText(with_access_key(m.caption(), m.access_key()));
        const int picture = static_cast<int>(m.picture());
        if (w->property("orv_picture").toInt() != picture) {
            w->setProperty("orv_picture", picture);
            w->setIcon(picture_icon(m.picture(), w->iconSize().height()));
        }
    });
    QObject::connect(widget, &QAbstractButton::clicked, widget, [&model] { model.click(); });
    auto* held = new HeldButton(widget, model);
    QObject::connect(widget, &QAbstractButton::pressed, held, [held] { held->qt_pressed(); });
    QObject::connect(widget, &QAbstractButton::released, held, [held] { held->release(); });
    widget->installEventFilter(held);
}

void bind(QLineEdit* widget, ui::TextBox& model, QLabel* buddy) {
    set_buddy(buddy, widget);
    follow(widget, model, [](QLineEdit* w, ui::TextBox& m) {
        // setText moves the cursor to the end, so only when the text really differs.
        if (w->text().toStdString() != m.text()) w->setText(qs(m.text()));
        w->setReadOnly(m.read_only());
        w->setEchoMode(m.password() ? QLineEdit::Password : QLineEdit::Normal);
    });
    // Every change of the shown text, whether typed, pasted or set through the accessibility
    // interface; the model's own changes come back here equal to its text and change nothing.
    QObject::connect(widget, &QLineEdit::textChanged, widget,
                     [&model](const QString& text) { model.set_text(text.toStdString()); });
    QObject::connect(widget, &QLineEdit::returnPressed, widget, [&model] { model.enter(); });
}

void bind(QCheckBox* widget, ui::CheckBox& model, QLabel* buddy) {
    set_buddy(buddy, widget);
    follow(widget, model, [](QCheckBox* w, ui::CheckBox& m) {
        w->setText(qs(m.caption()));
        const Qt::CheckState state = m.value() == 1   ? Qt::Checked
                                     : m.value() == 0 ? Qt::Unchecked
                                                      : Qt::PartiallyChecked;
        if (w->checkState() != state) {
            const QSignalBlocker quiet(w);
            w->setCheckState(state);
        }
    });
    // Signals are blocked while the model is shown, so every toggle seen here is the user's:
    // mouse, keyboard, shortcut or the accessibility interface's toggle action.
    QObject::connect(widget, &QCheckBox::toggled, widget,
                     [&model](bool checked) { model.set_value(checked ? 1 : 0); });
}

void bind(QComboBox* widget, ui::ComboBox& model, QLabel* buddy) {
    widget->setEditable(!model.choice_only());
    // The list belongs to the model: Enter adds nothing, and nothing is completed on its own.
    widget->setInsertPolicy(QComboBox::NoInsert);
    if (widget->isEditable()) widget->setCompleter(nullptr);
    set_buddy(buddy, widget);
    follow(widget, model, [](QComboBox* w, ui::ComboBox& m) {
        QStringList items;
        for (const auto& item : m.items()) items << qs(item);
        QStringList shown;
        for (int i = 0; i < w->count(); ++i) shown << w->itemText(i);
        const QSignalBlocker quiet(w);
        const QSignalBlocker quiet_text(w->lineEdit());
        const QSignalBlocker quiet_list(w->view()->selectionModel());
        w->setEditable(!m.choice_only());
        if (shown != items) {
            w->clear();
            w->addItems(items);
            for (int i = 0; i < w->count(); ++i) {
                const QString about = qs(m.description(static_cast<std::size_t>(i)));
                if (about.isEmpty()) continue;
                w->setItemData(i, about, Qt::ToolTipRole);
                w->setItemData(i, about, Qt::AccessibleDescriptionRole);
            }
        }
        if (m.choice_only())
            w->setCurrentIndex(w->findText(qs(m.text()), Qt::MatchExactly));
        else if (w->currentText().toStdString() != m.text())
            w->setEditText(qs(m.text()));
    });
    // Typing, pasting, text set through the accessibility interface and picking an entry are
    // the same change to the model. The model's own changes are shown with signals blocked.
    if (widget->lineEdit() != nullptr)
        QObject::connect(widget->lineEdit(), &QLineEdit::textChanged, widget,
                         [&model](const QString& text) { model.set_text(text.toStdString()); });
    QObject::connect(widget, &QComboBox::activated, widget, [widget, &model](int index) {
        model.set_text(widget->itemText(index).toStdString());
    });
    // Assistive technology chooses an entry of a closed list by selecting it in the list: that
    // is a choice as well. (While the list is open, moving through it chooses nothing yet.)
    if (!model.choice_only()) return;
    QObject::connect(widget->view()->selectionModel(), &QItemSelectionModel::selectionChanged,
                     widget, [widget, &model](const QItemSelection& selected) {
                         if (widget->view()->isVisible() || selected.indexes().isEmpty()) return;
                         const int row = selected.indexes().front().row();
                         model.set_text(widget->itemText(row).toStdString());
                     });
}

void bind(QScrollBar* widget, ui::ScrollBar& model) {
    follow(widget, model, [](QScrollBar* w, ui::ScrollBar& m) {
        const QSignalBlocker quiet(w);
        w->setRange(m.minimum(), m.maximum());
        w->setSingleStep(m.small_change());
        w->setPageStep(m.small_change());
        w->setValue(m.value());
    });
    // Signals are blocked while the model is shown, so every change seen here is the user's.
    QObject::connect(widget, &QScrollBar::valueChanged, widget, [widget, &model](int value) {
        if (!model.set_value(value)) {
            const QSignalBlocker quiet(widget);
            widget->setValue(model.value());
        }
    });
}

void bind(QLabel* widget, ui::Label& model) {
    follow(widget, model, [](QLabel* w, ui::Label& m) { w->setText(qs(m.caption())); });
}

void bind(ShapeWidget* widget, ui::Shape& model) {
    follow(widget, model, [](ShapeWidget* w, ui::Shape& m) { w->set_color(m.fill_color()); });
}

QPoint on_screen(QPoint top_left, QSize size) {
    // Enough of the title bar to take hold of must lie on a screen as it is now.
    const QRect grip(top_left, QSize(std::min(size.width(), 120), 24));
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().contains(grip)) return top_left;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) return top_left;
    const QRect area = primary->availableGeometry();
    return {area.x() + std::max(0, (area.width() - size.width()) / 2),
            area.y() + std::max(0, (area.height() - size.height()) / 2)};
}

namespace {

// Reports where the user or the window system put the window.
class MoveWatch : public QObject {
public:
    MoveWatch(QWidget* window, ui::Window& model) : QObject(window), model_(model) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* w = static_cast<QWidget*>(watched);
        if ((event->type() == QEvent::Move || event->type() == QEvent::Show) && w->isVisible())
            model_.set_position(w->x(), w->y());
        return QObject::eventFilter(watched, event);
    }

private:
    ui::Window& model_;
};

}  // namespace

void bind_window(QWidget* window, ui::Window& model) {
    window->setWindowTitle(qs(model.title()));
    QPointer<QWidget> guard(window);
    // The first time it is shown the window goes where it was, if that is still on a screen.
    auto placed = std::make_shared<bool>(false);
    auto refresh = [guard, &model, placed] {
        if (!guard || guard->isVisible() == model.visible()) return;
        if (model.visible() && !*placed) {
            *placed = true;
            if (model.position().known) {
                guard->adjustSize();
                guard->move(on_screen({model.position().x, model.position().y}, guard->size()));
            }
        }
        guard->setVisible(model.visible());
    };
    window->installEventFilter(new MoveWatch(window, model));
    model.updated.connect(refresh);
    model.raise_requested.connect([guard] {
        if (guard.isNull()) return;
        guard->raise();
        guard->activateWindow();
    });
    refresh();
}

void bind(QListWidget* widget, ui::ListBox& model) {
    // Lines are only ever added at the end or removed from the front (all of them, when the
    // list is cleared): the widget follows by the count of lines removed so far.
    auto shown_dropped = std::make_shared<std::size_t>(model.dropped());
    follow(widget, model, [shown_dropped](QListWidget* w, ui::ListBox& m) {
        const auto& items = m.items();
        std::size_t gone = m.dropped() - *shown_dropped;
        *shown_dropped = m.dropped();
        if (gone >= static_cast<std::size_t>(w->count())) {
            w->clear();
        } else {
            while (gone-- > 0) delete w->takeItem(0);
        }
        for (auto i = static_cast<std::size_t>(w->count()); i < items.size(); ++i)
            w->addItem(qs(items[i]));
    });
}

void bind(QProgressBar* widget, ui::ProgressBar& model) {
    follow(widget, model, [](QProgressBar* w, ui::ProgressBar& m) {
        w->setRange(m.minimum(), m.maximum());
        w->setValue(std::clamp(m.value(), m.minimum(), m.maximum()));
    });
}

}  // namespace orv::app
