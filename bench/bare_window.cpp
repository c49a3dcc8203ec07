// The floor for start-up: a bare Qt Widgets window (a label and a button) on the same Qt, built
// with the benchmarks and measured side by side with the program by bench/startup.sh.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("Bare Qt Window");
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel("A label"));
    layout->addWidget(new QPushButton("A button"));
    window.resize(400, 300);
    window.show();
    return QApplication::exec();
}
