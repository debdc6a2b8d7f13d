// velor: the configuration window. For now a bare window; the main window,
// pages and tray join it as they are built.
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("VELOR Gaming Driver");

    QWidget window;
    window.setWindowTitle("VELOR Gaming Driver");
    window.resize(800, 572);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel("VELOR Gaming Driver", &window), 0, Qt::AlignCenter);
    // Any argument (the autostart passes "-auto") means: start hidden.
    if (argc <= 1) window.show();
    return QApplication::exec();
}
