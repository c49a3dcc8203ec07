#include "platform/qt/qt_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QImage>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace orv::qt {

namespace {

QString title_or_app(const std::string& title) {
    return title.empty() ? QString(kAppTitle) : QString::fromStdString(title);
}

QWidget* asking_window() { return QApplication::activeWindow(); }

bool g_red = false;

QColor text_red() { return QApplication::palette().color(QPalette::WindowText); }

// The file and folder pictures of a file dialog, in red.
class RedIcons : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override {
        return red_only(QFileIconProvider::icon(type), text_red());
    }
    QIcon icon(const QFileInfo& info) const override {
        return red_only(QFileIconProvider::icon(info), text_red());
    }
};

// Opens or saves through Qt's own dialog in night mode, with its pictures in red.
QString ask_for_file(bool save, const QString& title, const QString& start, const QString& filter) {
    if (!g_red)
        return save ? QFileDialog::getSaveFileName(asking_window(), title, start, filter)
                    : QFileDialog::getOpenFileName(asking_window(), title, start, filter);
    QFileDialog dialog(asking_window(), title, QString(), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    RedIcons icons;
    dialog.setIconProvider(&icons);
    // Only now the folder, so that its entries get their pictures from the red icons.
    if (start.isEmpty() || QFileInfo(start).isDir())
        dialog.setDirectory(start.isEmpty() ? QDir::currentPath() : start);
    else
        dialog.selectFile(start);
    for (auto* list : dialog.findChildren<QComboBox*>())
        for (int i = 0; i < list->count(); ++i)
            list->setItemIcon(i, red_only(list->itemIcon(i), text_red()));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    for (auto* b : dialog.findChildren<QAbstractButton*>())
        if (!b->icon().isNull()) b->setIcon(red_only(b->icon(), text_red()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString with_line_breaks(const std::string& text) {
    QString t = QString::fromStdString(text);
    t.replace("\r\n", "\n");
    t.replace('\r', '\n');
    return t;
}

}  // namespace

void use_red_dialogs(bool on) { g_red = on; }
bool red_dialogs() { return g_red; }

QPixmap red_only(const QPixmap& picture, const QColor& red) {
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            // Its lightness, so that a light mark on a dark disc stays a light mark.
            const int bright = (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000;
            line[x] = qRgba(bright * red.red() / 255, 0, 0, qAlpha(c));
        }
    }
    QPixmap out = QPixmap::fromImage(image);
    out.setDevicePixelRatio(picture.devicePixelRatio());
    return out;
}

QIcon red_only(const QIcon& icon, const QColor& red) {
    if (icon.isNull()) return icon;
    QIcon out;
    QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty()) sizes = {QSize(16, 16), QSize(32, 32)};
    for (const QSize& size : sizes)
        for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active})
            out.addPixmap(
                red_only(icon.pixmap(size, mode), mode == QIcon::Disabled ? red.darker(200) : red),
                mode);
    return out;
}

QString file_filter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        patterns = patterns.simplified();
        const QString& description = parts[i];
        out << (description.contains('(') ? description : description + " (" + patterns + ")");
    }
    return out.join(";;");
}

void QtDialogs::message(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::NoIcon, title_or_app(title), with_line_breaks(text),
                    QMessageBox::Ok, asking_window());
    box.exec();
}

platform::Answer QtDialogs::question(const std::string& text, const std::string& title,
                                     platform::Answer default_answer) {
    QMessageBox box(QMessageBox::Question, title_or_app(title), with_line_breaks(text),
                    QMessageBox::Yes | QMessageBox::No, asking_window());
    if (g_red) box.setIconPixmap(red_only(box.iconPixmap(), text_red()));
    box.setDefaultButton(default_answer == platform::Answer::No ? QMessageBox::No
                                                                : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? platform::Answer::Yes : platform::Answer::No;
}

std::optional<std::string> QtDialogs::input(const std::string& prompt, const std::string& title,
                                            int x_points, int y_points) {
    QWidget* parent = asking_window();
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title_or_app(title));
    dialog.setLabelText(with_line_breaks(prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    if (parent != nullptr) {
        // 72 points to the inch.
        const double dpi = parent->logicalDpiX();
        const QPoint at =
            parent->frameGeometry().topLeft() + QPoint(static_cast<int>(x_points * dpi / 72.0),
                                                       static_cast<int>(y_points * dpi / 72.0));
        dialog.move(at);
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue().toStdString();
}

std::optional<std::string> QtDialogs::open_file(const std::string& title,
                                                const std::string& filter,
                                                const std::string& initial) {
    QString start = QString::fromStdString(initial);
    if (start.contains('*')) start.clear();
    const QString path = ask_for_file(false, title_or_app(title), start, file_filter(filter));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtDialogs::save_file(const std::string& title, const std::string& filter,
                                                const std::string& suggested) {
    const QString path = ask_for_file(true, title_or_app(title), QString::fromStdString(suggested),
                                      file_filter(filter));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

}  // namespace orv::qt
