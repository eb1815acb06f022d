// Printer names and the user's default printer: which queue a name means,
// reading and changing the default, the user's own options as text, and the
// start-up check for the PDF printer with its instructions.
#include <gtest/gtest.h>

#include "ledgerfen/pdf/default_printer.h"
#include "ledgerfen/pdf/pdf_printer_check.h"
#include "ledgerfen/pdf/printing_system.h"
#include "ledgerfen/pdf/user_printer_options.h"
#include "printing_fakes.h"

namespace ledgerfen::pdf::fakes {
namespace {

std::vector<PrinterQueue> sampleQueues() {
  return {{"Office_Laser", "", "Office Laser", false},
          {"Office_Laser", "draft", "Office Laser", false},
          {"Mirrowick_PDF_Writer", "", "Mirrowick PDF Writer", false},
          {"lab", "", "Shared Colour", false},
          {"lab2", "", "Shared Colour", false},
          {"front", "", "Reception Desk", false}};
}

std::string resolved(std::string_view name) {
  std::optional<PrinterQueue> queue = resolvePrinter(sampleQueues(), name);
  return queue ? queue->destinationName() : "(none)";
}

TEST(ResolvePrinter, ANameMeansAQueueByNameThenWithUnderscoresThenByDescription) {
  EXPECT_EQ(resolved("Office_Laser"), "Office_Laser");
  EXPECT_EQ(resolved("Office_Laser/draft"), "Office_Laser/draft");
  EXPECT_EQ(resolved("Mirrowick PDF Writer"), "Mirrowick_PDF_Writer");
  EXPECT_EQ(resolved("Reception Desk"), "front");
}

TEST(ResolvePrinter, NamesCompareExactlyAndMustMeanOneQueue) {
  EXPECT_EQ(resolved(""), "(none)");
  EXPECT_EQ(resolved("mirrowick PDF writer"), "(none)");
  EXPECT_EQ(resolved("office_laser"), "(none)");
  EXPECT_EQ(resolved("Mirrowick PDF Writer "), "(none)");
  EXPECT_EQ(resolved("Office_Laser/none"), "(none)");
  EXPECT_EQ(resolved("Shared Colour"), "(none)");  // two queues carry it
  EXPECT_EQ(resolvePrinter({}, "Office_Laser"), std::nullopt);
}

class DefaultPrinterTest : public ::testing::Test {
 protected:
  DefaultPrinterTest() {
    messages.setApplicationTitle("Ledgerfen");
    printers.addQueue("Office_Laser", "Office Laser");
    printers.addQueue("Mirrowick_PDF_Writer", "Mirrowick PDF Writer");
    printers.defaultName = "Office_Laser";
  }

  CallLog log;
  RecordingMessageBoxes boxes;
  shell::MessageService messages{boxes};
  FakePrintingSystem printers{log};
  DefaultPrinter defaultPrinter{printers, messages};
};

TEST_F(DefaultPrinterTest, CurrentNameIsTheDefaultDestination) {
  EXPECT_EQ(defaultPrinter.currentName(), "Office_Laser");
  printers.defaultName.clear();
  printers.systemDefault = "Mirrowick_PDF_Writer";
  EXPECT_EQ(defaultPrinter.currentName(), "Mirrowick_PDF_Writer");
  // No default printer at all is no failure.
  printers.systemDefault.clear();
  EXPECT_EQ(defaultPrinter.currentName(), "");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(DefaultPrinterTest, AnUnreadableDefaultShowsTheFourLineMessageOnceAndGivesEmptyText) {
  printers.running = false;
  EXPECT_EQ(defaultPrinter.currentName(), "");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            "Error No: 1282\r\nBad file descriptor\r\nHas occured in modPrinters.GetDefaultPrinter\r\n"
            "Please contact Technical Support");
  EXPECT_EQ(boxes.shown[0].title, "Ledgerfen");
  EXPECT_EQ(boxes.shown[0].icon, shell::MessageIcon::None);
  EXPECT_EQ(boxes.shown[0].buttons, shell::MessageButtons::Ok);
}

TEST_F(DefaultPrinterTest, MakeDefaultTakesTheUsersNameOrTheQueueName) {
  EXPECT_TRUE(defaultPrinter.makeDefault("Mirrowick PDF Writer", false));
  EXPECT_EQ(printers.defaultName, "Mirrowick_PDF_Writer");
  EXPECT_TRUE(defaultPrinter.makeDefault("Office_Laser", true));
  EXPECT_EQ(printers.defaultName, "Office_Laser");
  // The current default again: still true.
  EXPECT_TRUE(defaultPrinter.makeDefault("Office_Laser", true));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(DefaultPrinterTest, AnUnknownOrEmptyNameLeavesTheDefaultAndSaysSoOnlyWhenAsked) {
  EXPECT_FALSE(defaultPrinter.makeDefault("Nowhere", false));
  EXPECT_FALSE(defaultPrinter.makeDefault("", false));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(defaultPrinter.makeDefault("Nowhere", true));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Cannot set printer.");
  EXPECT_EQ(boxes.shown[0].title, "Ledgerfen");
  EXPECT_EQ(printers.defaultName, "Office_Laser");
  for (const std::string& call : log) EXPECT_EQ(call.rfind("set default", 0), std::string::npos) << call;
}

TEST_F(DefaultPrinterTest, ARefusalOrAStoppedPrintingSystemGivesFalse) {
  printers.refuseSet = true;
  EXPECT_FALSE(defaultPrinter.makeDefault("Mirrowick PDF Writer", false));
  printers.refuseSet = false;
  printers.running = false;
  EXPECT_FALSE(defaultPrinter.makeDefault("Mirrowick PDF Writer", false));
  EXPECT_EQ(printers.defaultName, "Office_Laser");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(DefaultPrinterTest, TheUsersOwnDefaultIsSavedAsItIsAndNoneIsAState) {
  EXPECT_EQ(defaultPrinter.saveUserDefault(), std::optional<UserDefault>("Office_Laser"));
  printers.defaultName.clear();
  printers.systemDefault = "Office_Laser";  // not the user's own
  EXPECT_EQ(defaultPrinter.saveUserDefault(), std::optional<UserDefault>(std::in_place));
  EXPECT_TRUE(boxes.shown.empty());
  printers.unreadableOptions = true;
  EXPECT_EQ(defaultPrinter.saveUserDefault(), std::nullopt);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text.rfind("Error No: 13\r\nCannot read /home/user/.cups/lpoptions", 0), 0u);
}

TEST(UserPrinterOptions, TheFirstDefaultLineNamesTheUsersOwnDefault) {
  EXPECT_EQ(defaultInOptions(""), std::nullopt);
  EXPECT_EQ(defaultInOptions("Dest Office sides=two-sided-long-edge\n"), std::nullopt);
  EXPECT_EQ(defaultInOptions("# mine\nDest a x=1\nDefault Office/draft x=2\nDefault b\n"), "Office/draft");
  EXPECT_EQ(defaultInOptions("  default\tOffice"), "Office");  // any case, any blanks, no line end
}

TEST(UserPrinterOptions, ASwitchAndItsUndoLeaveTheOptionsAsTheyWere) {
  const std::string options = "# kept\nDest Office_Laser sides=two-sided-long-edge\nDefault Shop media=A5\n";
  const std::string switched = withDefaultInOptions(options, "Mirrowick_PDF_Writer");
  EXPECT_EQ(switched,
            "# kept\nDest Office_Laser sides=two-sided-long-edge\nDest Shop media=A5\nDefault Mirrowick_PDF_Writer\n");
  EXPECT_EQ(withDefaultInOptions(switched, "Shop"), options);

  // A default line with no options of its own goes, and comes back.
  EXPECT_EQ(withDefaultInOptions("Default Shop\n", "Mirrowick_PDF_Writer"), "Default Mirrowick_PDF_Writer\n");
  EXPECT_EQ(withDefaultInOptions("Default Mirrowick_PDF_Writer\n", "Shop"), "Default Shop\n");
  // The PDF printer's own options stay with it.
  EXPECT_EQ(withDefaultInOptions("Dest Mirrowick_PDF_Writer cpi=12\nDefault Shop\n", "Mirrowick_PDF_Writer"),
            "Default Mirrowick_PDF_Writer cpi=12\n");
  EXPECT_EQ(withDefaultInOptions("Default Mirrowick_PDF_Writer cpi=12\n", "Shop"),
            "Dest Mirrowick_PDF_Writer cpi=12\nDefault Shop\n");
  // No default of the user's own: none again afterwards, and an empty file.
  EXPECT_EQ(withDefaultInOptions("", "Mirrowick_PDF_Writer"), "Default Mirrowick_PDF_Writer\n");
  EXPECT_EQ(withDefaultInOptions("Default Mirrowick_PDF_Writer\n", std::nullopt), "");
  EXPECT_EQ(withDefaultInOptions("Dest Office_Laser/draft x=1\n", "Office_Laser"),
            "Dest Office_Laser/draft x=1\nDefault Office_Laser\n");
}

class PdfPrinterCheckTest : public ::testing::Test {
 protected:
  CallLog log;
  RecordingMessageBoxes boxes;
  FakePrintingSystem printers{log};
  PdfPrinterInstalledCheck check{printers, boxes};
};

TEST_F(PdfPrinterCheckTest, AQueueThatAnswersToThePdfPrintersNamePassesSilently) {
  printers.addQueue("Mirrowick_PDF_Writer", "");
  EXPECT_TRUE(check.checkInstalled().ok());
  printers.queues = {{"pdf", "", "Mirrowick PDF Writer", false}};
  EXPECT_TRUE(check.checkInstalled().ok());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PdfPrinterCheckTest, AMissingPdfPrinterShowsHowToInstallItWithCups) {
  const std::string steps =
      "1) Install CUPS and its PDF printer: sudo apt-get install cups cups-filters printer-driver-cups-pdf\r\n"
      "2) Add the printer: sudo lpadmin -p Mirrowick_PDF_Writer -E -v cups-pdf:/ "
      "-m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -D \"Mirrowick PDF Writer\" -o pdftops-renderer-default=pdftocairo\r\n"
      "3) Start the program again. The PDF files go to the folder PDF in your home folder.";
  const std::string instructions =
      "Mirrowick PDF Writer is not installed. Please follow these instructions:\r\n\r\n" + steps;
  EXPECT_EQ(pdfPrinterMissingText(), instructions);

  // Another printer only; no printer at all; CUPS not running, which fails
  // the check with how to start it, for the start-up's report.
  printers.addQueue("Office_Laser", "Office Laser");
  EXPECT_TRUE(check.checkInstalled().ok());
  printers.queues.clear();
  EXPECT_TRUE(check.checkInstalled().ok());
  printers.running = false;
  const Status silent = check.checkInstalled();
  ASSERT_FALSE(silent.ok());
  EXPECT_EQ(silent.error().message(),
            "The printing system (CUPS) cannot be reached (Bad file descriptor), so Mirrowick PDF Writer cannot be "
            "looked for.\r\n\r\n"
            "If CUPS is installed, start it: sudo systemctl start cups\r\n"
            "Otherwise please follow these instructions:\r\n\r\n" +
                steps);
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].text, instructions);
  EXPECT_EQ(boxes.shown[1].text, instructions);
  for (const shell::MessageRequest& shown : boxes.shown) {
    EXPECT_EQ(shown.title, "Ledgerfen");
    EXPECT_EQ(shown.icon, shell::MessageIcon::None);
    EXPECT_EQ(shown.buttons, shell::MessageButtons::Ok);
  }
}

TEST_F(PdfPrinterCheckTest, ACaseVariantOfTheNameIsNotThePdfPrinter) {
  printers.addQueue("mirrowick_pdf_writer", "mirrowick pdf writer");
  EXPECT_TRUE(check.checkInstalled().ok());
  EXPECT_EQ(boxes.shown.size(), 1u);
}

}  // namespace
}  // namespace ledgerfen::pdf::fakes
