#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <QWidget>

namespace orv::qt {

namespace {

QString title_or_app(const std::string& title) {
    return title.empty() ? QString(kAppTitle) : QString::fromStdString(title);
}

QWidget* asking_window() { return QApplication::activeWindow(); }

QString with_line_breaks(const std::string& text) {
    QString t = QString::fromStdString(text);
    t.replace("\r\n", "\n");
    t.replace('\r', '\n');
    return t;
}

}  // namespace

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
    const QString path = QFileDialog::getOpenFileName(asking_window(), title_or_app(title), start,
                                                      file_filter(filter));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtDialogs::save_file(const std::string& title, const std::string& filter,
                                                const std::string& suggested) {
    const QString path =
        QFileDialog::getSaveFileName(asking_window(), title_or_app(title),
                                     QString::fromStdString(suggested), file_filter(filter));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

}  // namespace orv::qt
