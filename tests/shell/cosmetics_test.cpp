// Shared procedures of the windows: the application title, the colour rule,
// cursor files, the file test, and how texts reach Qt's dialogs.
#include <QCheckBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "harness.h"
#include "ledgerfen/data/path_probe.h"
#include "ledgerfen/shell/appearance.h"
#include "ledgerfen/shell/cursor_file.h"
#include "ledgerfen/shell/product.h"
#include "ledgerfen/shell/qt_platform.h"
#include "qt_test_main.h"

using namespace ledgerfen;

namespace {

std::span<const uint8_t> bytesOf(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

std::string writeFile(const QTemporaryDir& dir, const std::string& name, const std::string& bytes) {
  const std::string path = dir.path().toStdString() + "/" + name;
  QFile file(QString::fromStdString(path));
  file.open(QIODevice::WriteOnly);
  file.write(bytes.data(), qint64(bytes.size()));
  return path;
}

}  // namespace

class CosmeticsTest : public QObject {
  Q_OBJECT

 private slots:
  void appTitleDropsTheLastWord() {
    QCOMPARE(shell::appTitleFor("Ledgerfen Software"), std::string("Ledgerfen"));
    QCOMPARE(shell::appTitleFor("One Two Three Four"), std::string("One Two Three"));
    // Six words of nine letters (59 characters) lose two and keep 39.
    const std::string six = "Abcdefghi Bcdefghij Cdefghijk Defghijkl Efghijklm Fghijklmn";
    QCOMPARE(shell::appTitleFor(six), std::string("Abcdefghi Bcdefghij Cdefghijk Defghijkl"));
    QCOMPARE(shell::appTitleFor(six).size(), size_t(39));
    // A name without a blank stays whole; a long one is cut to 40 characters
    // instead of searching for a blank for ever.
    QCOMPARE(shell::appTitleFor("Ledgerfen"), std::string("Ledgerfen"));
    QCOMPARE(shell::appTitleFor(std::string(50, 'x') + " tail"), std::string(40, 'x'));
    QCOMPARE(shell::appTitleFor(std::string(41, 'y')), std::string(40, 'y'));
    QCOMPARE(shell::appTitleFor("Ünïcödé Wörds Ärë Cöüntëd Äs Chäräctërs Nöt Äs Bytës Här"),
             std::string("Ünïcödé Wörds Ärë Cöüntëd Äs Chäräctërs"));
  }

  void formColoursReachTheWindowFramesAndLabelsOnly() {
    QWidget window;
    auto* frame = new QGroupBox("Frame", &window);
    auto* label = new QLabel("Label", frame);
    auto* check = new QCheckBox("Check", &window);
    auto* box = new QLineEdit(&window);
    auto* button = new QPushButton("Button", &window);
    const QColor base = box->palette().color(QPalette::Base);
    shell::applyWindowColors(window);
    const QColor face = shell::buttonFaceColor();
    for (QWidget* w : std::initializer_list<QWidget*>{&window, frame, label, check}) {
      QCOMPARE(w->palette().color(QPalette::Window), face);
      QVERIFY(w->autoFillBackground());
    }
    QVERIFY(!box->autoFillBackground());
    QVERIFY(!button->autoFillBackground());
    QCOMPARE(box->palette().color(QPalette::Base), base);
  }

  void cursorDirectoryIsCheckedAgainstTheFile() {
    const std::string good = test::makeCursorFile(3, 4);
    auto entries = shell::parseCursorDirectory(bytesOf(good));
    QVERIFY(entries.ok());
    QCOMPARE(entries->size(), size_t(1));
    QCOMPARE(entries->at(0).hotSpotX, uint16_t(3));
    QCOMPARE(entries->at(0).hotSpotY, uint16_t(4));
    QCOMPARE(entries->at(0).width, 32);

    std::string icon = good;
    icon[2] = 1;  // an icon, not a cursor
    std::string noImages = good;
    noImages[4] = 0;
    std::string manyImages = good;
    manyImages[4] = char(0xFF);  // a directory longer than the file
    std::string pastTheEnd = good;
    pastTheEnd[14] = char(0xFF);  // image size
    pastTheEnd[15] = char(0xFF);
    std::string intoTheDirectory = good;
    intoTheDirectory[18] = 4;  // image offset inside the directory
    for (const std::string& damaged : {std::string(), good.substr(0, 5), good.substr(0, 20), icon, noImages, manyImages,
                                       pastTheEnd, intoTheDirectory}) {
      auto refused = shell::parseCursorDirectory(bytesOf(damaged));
      QVERIFY(!refused.ok());
      QVERIFY(refused.error().message().starts_with("Invalid picture: "));
    }
  }

  void cursorFileLoadsWithItsHotSpot() {
    QTemporaryDir dir;
    auto cursor = shell::loadCursorFile(writeFile(dir, "HAND-M.CUR", test::makeCursorFile(6, 1)));
    QVERIFY2(cursor.ok(), cursor.ok() ? "" : cursor.error().message().c_str());
    QCOMPARE(cursor->hotSpot(), QPoint(6, 1));
    QCOMPARE(cursor->pixmap().size(), QSize(32, 32));

    // A sound directory over an image that is not one fails too.
    std::string garbage = test::makeCursorFile(0, 0);
    std::fill(garbage.begin() + 22, garbage.end(), '\x7f');
    QVERIFY(!shell::loadCursorFile(writeFile(dir, "garbage.cur", garbage)).ok());
    QVERIFY(!shell::loadCursorFile(dir.path().toStdString() + "/missing.cur").ok());
  }

  void pathExistsNeverFails() {
    QTemporaryDir dir;
    data::FileSystemProbe probe;
    QVERIFY(probe.exists(writeFile(dir, "a file.mdb", "x")));
    QVERIFY(!probe.exists(dir.path().toStdString() + "/missing.mdb"));
    QVERIFY(!probe.exists(""));
    QVERIFY(!probe.exists(dir.path().toStdString() + "/a file.mdb" + std::string(1, '\0') + "x"));
    QVERIFY(!probe.exists(dir.path().toStdString() + "/a file.mdb/below"));
  }

  void dialogsShowLineBreaksWhileTheTextStaysExact() {
    QCOMPARE(shell::displayText("a\r\nb\r\rc"), QString("a\nb\n\nc"));
    QCOMPARE(shell::displayText("one\r\n\r\ntwo"), QString("one\n\ntwo"));
    QCOMPARE(shell::displayText("<b>not markup</b>"), QString("<b>not markup</b>"));
  }

  void fileFiltersBecomeQtNameFilters() {
    QCOMPARE(shell::nameFiltersOf("All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|"
                                  "Microsoft 2007 Database (*.accdb)|*.accdb|"),
             QStringList({"All Microsoft Databases (*.mdb,*.accdb) (*.*[dD][bB])",
                          "Microsoft Database (*.mdb) (*.[mM][dD][bB])",
                          "Microsoft 2007 Database (*.accdb) (*.[aA][cC][cC][dD][bB])"}));
    QCOMPARE(shell::nameFiltersOf("Text|*.txt;*.csv"), QStringList({"Text (*.[tT][xX][tT] *.[cC][sS][vV])"}));
    QCOMPARE(shell::nameFiltersOf("|*.x|Lonely"), QStringList());
  }
};

LEDGERFEN_QTEST_MAIN(CosmeticsTest)
#include "cosmetics_test.moc"
