#include "harness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include "ledgerfen/shell/error_report.h"

namespace ledgerfen::test {
namespace {

void put16(std::string& out, uint16_t v) {
  out += char(v & 0xFF);
  out += char(v >> 8);
}
void put32(std::string& out, uint32_t v) {
  put16(out, uint16_t(v & 0xFFFF));
  put16(out, uint16_t(v >> 16));
}

}  // namespace

Harness::Harness() = default;

Harness::~Harness() = default;

app::Program& Harness::start(const std::string& fileToOpen) {
  program = std::make_unique<app::Program>(app::Platform{messageBoxes, fileDialogs, browser, settings, paths, control,
                                                         pdfPrinter, engine, folder(), exports},
                                           tableOpener);
  program->start(fileToOpen);
  return *program;
}

app::Program& Harness::restart() {
  program.reset();
  return start();
}

void Harness::writeProgramFile(const std::string& name, const std::string& bytes) {
  const QString path = programFolder.path() + "/" + QString::fromStdString(name);
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(bytes.data(), qint64(bytes.size()));
}

QList<QWidget*> tabOrderFrom(QWidget* first) {
  QList<QWidget*> order{first};
  for (QWidget* w = first->nextInFocusChain(); w && w != first; w = w->nextInFocusChain()) {
    if ((w->focusPolicy() & Qt::TabFocus) && w->window() == first->window()) order << w;
  }
  return order;
}

std::string makeCursorFile(uint16_t hotX, uint16_t hotY) {
  constexpr int kSide = 32;
  std::string image;
  // BITMAPINFOHEADER of a 32-bit image; the height counts the mask too.
  put32(image, 40);
  put32(image, kSide);
  put32(image, kSide * 2);
  put16(image, 1);
  put16(image, 32);
  for (int i = 0; i < 6; ++i) put32(image, 0);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) put32(image, (x + y) % 2 ? 0xFF000000u : 0xFFFFFFFFu);
  }
  image += std::string(kSide * 4, '\0');  // AND mask, one bit a pixel, rows of 4 bytes

  std::string file;
  put16(file, 0);
  put16(file, 2);  // cursor
  put16(file, 1);
  file += char(kSide);
  file += char(kSide);
  file += '\0';
  file += '\0';
  put16(file, hotX);
  put16(file, hotY);
  put32(file, uint32_t(image.size()));
  put32(file, 22);
  return file + image;
}

std::string reportText(const std::string& description, const std::string& window, const std::string& handler,
                       int line) {
  return shell::errorReportText(description, shell::handlerLocation(window, handler), line);
}

}  // namespace ledgerfen::test
