#include "app/night.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolTip>
#include <QWidget>
#include <algorithm>
#include <array>

#include "app/bind.h"
#include "platform/qt/qt_dialogs.h"

namespace orv::app::night {

namespace {

// The brightness of each level. At the dimmest the text is still 4.5 times as bright as the
// window behind it.
constexpr std::array<double, 3> kScale = {1.0, 0.75, 0.55};

struct Day {
    bool kept = false;
    QPalette palette;
    QPalette tooltip;
    QString style;
};

Day& day() {
    static Day d;
    return d;
}

bool g_on = false;
double g_scale = 1.0;

// Fusion with the few things it draws in fixed light colours drawn from the palette instead:
// the text cursor (drawn by inverting what is under it, which turns dark red into white),
// header sections and splitter handles.
class NightStyle : public QProxyStyle {
public:
    NightStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TextCursorWidth) return 0;  // NightCaret draws it
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
    // Fusion outlines boxes a shade darker than the window, which at night is no outline at all.
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_IndicatorCheckBox) {
            const QRectF r = QRectF(option->rect).adjusted(1.5, 1.5, -1.5, -1.5);
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(option->palette.color(QPalette::Light));
            painter->setBrush(option->palette.base());
            painter->drawRect(r);
            if (option->state & (State_On | State_NoChange)) {
                painter->setPen(QPen(option->palette.color(QPalette::Text), 2));
                if (option->state & State_On)
                    painter->drawPolyline(
                        QPolygonF{{r.left() + r.width() * 0.2, r.top() + r.height() * 0.55},
                                  {r.left() + r.width() * 0.42, r.top() + r.height() * 0.78},
                                  {r.left() + r.width() * 0.82, r.top() + r.height() * 0.25}});
                else
                    painter->drawLine(QPointF(r.left() + 3, r.center().y()),
                                      QPointF(r.right() - 3, r.center().y()));
            }
            painter->restore();
            return;
        }
        if (element == PE_FrameLineEdit) {
            painter->save();
            painter->setPen(option->palette.color(
                option->state & State_HasFocus ? QPalette::Highlight : QPalette::Midlight));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
            painter->restore();
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_HeaderSection) {
            const QRect r = option->rect;
            painter->fillRect(r, option->palette.button());
            painter->setPen(option->palette.color(QPalette::Mid));
            painter->drawLine(r.topRight(), r.bottomRight());
            painter->drawLine(r.bottomLeft(), r.bottomRight());
            return;
        }
        if (element == CE_Splitter) {
            painter->fillRect(option->rect, option->palette.window());
            return;
        }
        if (element == CE_SizeGrip) {
            painter->setPen(option->palette.color(QPalette::Light));
            const QRect r = option->rect;
            for (int k = 4; k <= 12; k += 4)
                painter->drawLine(r.right() - k, r.bottom(), r.right(), r.bottom() - k);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

// The text cursor of a focused box, in the text's red, over what the box painted.
class NightCaret : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || painting_) return false;  // every event passes here
        auto* box = qobject_cast<QLineEdit*>(watched);
        if (box == nullptr || !box->hasFocus() || box->isReadOnly()) return false;
        painting_ = true;
        box->event(event);  // the box paints itself first
        painting_ = false;
        const QRect caret = box->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        QPainter p(box);
        p.fillRect(QRect(caret.center().x(), caret.top(), 1, caret.height()),
                   box->palette().color(QPalette::Text));
        return true;
    }

private:
    bool painting_ = false;
};

QPointer<NightCaret>& caret() {
    static QPointer<NightCaret> c;
    return c;
}

QPalette night_palette() {
    QPalette p;
    const auto set = [&p](QPalette::ColorGroup g, QPalette::ColorRole role, int full) {
        p.setColor(g, role, red(full));
    };
    for (const auto g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = g == QPalette::Disabled;
        set(g, QPalette::Window, 28);
        set(g, QPalette::Base, off ? 20 : 10);
        set(g, QPalette::AlternateBase, 36);
        set(g, QPalette::Button, off ? 30 : 42);
        set(g, QPalette::Light, 80);
        set(g, QPalette::Midlight, 60);
        set(g, QPalette::Mid, 40);
        set(g, QPalette::Dark, 16);
        set(g, QPalette::Shadow, 0);
        for (const auto text : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                                QPalette::BrightText, QPalette::ToolTipText})
            set(g, text, off ? 120 : 255);
        set(g, QPalette::PlaceholderText, 130);
        set(g, QPalette::ToolTipBase, 20);
        set(g, QPalette::Highlight, off ? 60 : 150);
        set(g, QPalette::HighlightedText, 0);
        set(g, QPalette::Link, 255);
        set(g, QPalette::LinkVisited, 200);
    }
    return p;
}

// The pictures on the buttons are drawn for the look in use.
void redraw_pictures() {
    for (QWidget* w : QApplication::allWidgets()) {
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            const int picture = b->property("orv_picture").toInt();
            if (picture != 0)
                b->setIcon(picture_icon(static_cast<ui::Picture>(picture), b->iconSize().height()));
        }
        if (auto* s = qobject_cast<ShapeWidget*>(w)) {
            s->updateGeometry();
            s->update();
        }
    }
    // The indicator's new size is laid out now, not at some later turn of the event loop.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->layout() != nullptr) w->layout()->activate();
}

}  // namespace

bool on() { return g_on; }

QColor red(int full) { return QColor(static_cast<int>(full * g_scale + 0.5), 0, 0); }

void apply(bool want, int level) {
    Day& d = day();
    if (!d.kept) {
        if (!want) return;  // nothing to undo yet
        d.kept = true;
        d.palette = QApplication::palette();
        d.tooltip = QToolTip::palette();
        d.style = QApplication::style()->name();
    }
    g_on = want;
    g_scale = kScale[static_cast<std::size_t>(std::clamp(level, 0, 2))];
    qt::use_red_dialogs(want);
    if (want) {
        // Fusion draws nearly everything from the palette; a desktop's style may not.
        if (dynamic_cast<NightStyle*>(QApplication::style()) == nullptr)
            QApplication::setStyle(new NightStyle);
        if (!caret()) {
            caret() = new NightCaret(qApp);
            qApp->installEventFilter(caret());
        }
        const QPalette p = night_palette();
        QApplication::setPalette(p);
        QToolTip::setPalette(p);
    } else {
        if (dynamic_cast<NightStyle*>(QApplication::style()) != nullptr)
            QApplication::setStyle(QStyleFactory::create(d.style));
        delete caret().data();
        QApplication::setPalette(d.palette);
        QToolTip::setPalette(d.tooltip);
    }
    redraw_pictures();
}

}  // namespace orv::app::night
