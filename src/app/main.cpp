#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Glimr"));
  QMainWindow w;
  w.setWindowTitle(QStringLiteral("Glimr"));
  w.resize(1000, 700);
  w.show();
  return app.exec();
}
