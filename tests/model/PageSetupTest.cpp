// Page setup and printer settings: twips and points, the printer's page defaults, and the
// device mode kept whole in "PCPR" and in the older block "RPNT", and the print-setup dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "RecordTestSupport.h"
#include "framework/CommonDialogs.h"
#include "framework/Exceptions.h"
#include "model/PageSetup.h"
#include "platform/Handles.h"

using frametest::Chunk;
using recordtest::Bytes;

namespace {

// A device mode of the printing system for a printer name: 148 bytes, portrait, 600 dpi.
Bytes Mode(const std::string& name, int orientation = 1, int driverExtra = 0) {
    Bytes m(148 + std::size_t(driverExtra), 0);
    std::memcpy(m.data(), name.data(), std::min<std::size_t>(name.size(), 31));
    m[36] = 148;
    m[38] = std::uint8_t(driverExtra);
    m[40] = 0x01;
    m[41] = 0x04;  // orientation and print quality are set
    m[44] = std::uint8_t(orientation);
    m[58] = 600 & 0xFF;
    m[59] = 600 >> 8;
    for (int i = 0; i < driverExtra; ++i) m[148 + std::size_t(i)] = std::uint8_t(0xE0 + i);
    return m;
}

class FakePrinting : public PrinterSystem {
public:
    bool GetDefaultPrinter(std::vector<std::uint8_t>* devMode, std::string* driver, std::string* device,
                           std::string* port) override {
        if (defaultName.empty()) return false;
        *devMode = Mode(defaultName, 1, 4);
        *driver = "drv";
        *device = defaultName;
        *port = "LPT1:";
        return true;
    }
    bool EnumLocalPrinters(std::vector<InstalledPrinter>* printers) override {
        *printers = installed;
        return true;
    }
    bool GetDeviceCaps(const PrinterSetup& setup, PrinterCaps* out) override {
        lastSetup = setup;
        *out = caps;
        return capsOk;
    }

    std::string defaultName;
    std::vector<InstalledPrinter> installed;
    PrinterCaps caps;
    bool capsOk = true;
    PrinterSetup lastSetup;
};

struct UsePrinting {
    explicit UsePrinting(PrinterSystem* s) : before(SetPrinterSystem(s)) {}
    ~UsePrinting() { SetPrinterSystem(before); }
    PrinterSystem* before;
};

Bytes DevModeOf(const PrinterSettings& ps) {
    const HGLOBAL h = ps.GetDevMode();
    const auto* p = static_cast<const std::uint8_t*>(DerefHandle(h));
    return Bytes(p, p + GetHandleSize(h));
}

TEST(PageSetupTest, TwipsAndPoints) {
    CPageSetup setup;
    for (auto [twips, points] : {std::pair{9, 0}, {10, 0}, {11, 1}, {30, 1}, {31, 2}, {-20, 0}}) {
        setup.SetMarginsTwips(twips, 0, 0, 0);
        EXPECT_EQ(setup.GetLeftMargin(), points) << twips;
    }
    setup.SetPaperSizeTwips(12250, 15850);
    setup.SetMarginsTwips(10, 31, 10, 11);
    const RECT margins = setup.GetMarginRect();  // each value converted on its own
    EXPECT_EQ(margins.left, 0);
    EXPECT_EQ(margins.top, 2);
    EXPECT_EQ(margins.right, 612);
    EXPECT_EQ(margins.bottom, 791);
    EXPECT_EQ(setup.GetPrintableWidth(), 611);  // converted once
    EXPECT_EQ(setup.GetPrintableHeight(), 790);
    setup.SetPaperSizePoints(612, 792);
    setup.SetMarginsPoints(36, 36, 36, 36);
    setup.Unscale(200);
    EXPECT_EQ(setup.paperWidth, 6120);
    EXPECT_EQ(setup.leftMargin, 360);
    EXPECT_EQ(setup.bottomMargin, 360);
}

TEST(PageSetupTest, WithoutAPrinterEverythingFallsBack) {
    recordtest::CleanGlobals clean;
    FakePrinting fake;
    UsePrinting use(&fake);
    PrinterSettings ps;
    EXPECT_FALSE(ps.HasPrinter());
    CPageSetup setup;
    ps.GetPageDefaults(setup);
    EXPECT_EQ(setup.paperWidth, 612 * 20);
    EXPECT_EQ(setup.paperHeight, 792 * 20);
    EXPECT_EQ(setup.topMargin, 36 * 20);
    EXPECT_EQ(ps.GetPrintOrientation(), -1);
    ps.SetPrintOrientation(1);
    EXPECT_FALSE(ps.IsLaserJetPrinter());
    EXPECT_TRUE(recordtest::Written([&](CChunkStream& s) { ps.WritePrinterChunk(s); }).empty());
}

TEST(PageSetupTest, PageDefaultsComeFromTheDeviceCapabilities) {
    recordtest::CleanGlobals clean;
    FakePrinting fake;
    fake.defaultName = "HP LaserJet 4";
    fake.caps = {5100, 6600, 100, 150, 4900, 6200, 600, 600};
    UsePrinting use(&fake);
    PrinterSettings ps;
    ASSERT_TRUE(ps.HasPrinter());
    EXPECT_TRUE(ps.IsLaserJetPrinter());
    CPageSetup setup;
    ps.GetPageDefaults(setup);
    EXPECT_EQ(fake.lastSetup.device, "HP LaserJet 4");
    EXPECT_EQ(fake.lastSetup.resolution, 600);
    EXPECT_EQ(setup.paperWidth, 612 * 20);
    EXPECT_EQ(setup.paperHeight, 792 * 20);
    EXPECT_EQ(setup.leftMargin, 12 * 20);
    EXPECT_EQ(setup.topMargin, 18 * 20);
    EXPECT_EQ(setup.rightMargin, 12 * 20);
    EXPECT_EQ(setup.bottomMargin, 30 * 20);
    // A printer that gives no device context falls back as well.
    fake.capsOk = false;
    ps.GetPageDefaults(setup);
    EXPECT_EQ(setup.leftMargin, 36 * 20);
}

TEST(PageSetupTest, OrientationLivesInTheDeviceMode) {
    recordtest::CleanGlobals clean;
    FakePrinting fake;
    fake.defaultName = "Plain";
    UsePrinting use(&fake);
    PrinterSettings ps;
    EXPECT_EQ(ps.GetPrintOrientation(), 0);
    ps.SetPrintOrientation(1);
    EXPECT_EQ(ps.GetPrintOrientation(), 1);
    EXPECT_EQ(DevModeOf(ps)[44], 2);
    EXPECT_EQ(ps.GetPrinterSetup().orientation, 1);
    ps.SetPrintOrientation(5);  // not an orientation: nothing changes
    EXPECT_EQ(ps.GetPrintOrientation(), 1);
    Bytes odd = Mode("Plain", 3);
    recordtest::Reader r(Chunk("PCPR", odd));
    EXPECT_EQ(ps.ReadPrinterChunk(r.stream), 0);
    EXPECT_EQ(ps.GetPrintOrientation(), -1);
}

TEST(PageSetupTest, PrinterChunkKeepsTheDeviceModeWhole) {
    recordtest::CleanGlobals clean;
    FakePrinting fake;
    fake.defaultName = "Plain";
    UsePrinting use(&fake);
    PrinterSettings ps;
    ps.SetPrintOrientation(1);
    const Bytes mode = DevModeOf(ps);
    ASSERT_EQ(mode.size(), 152u);  // the record and its driver's extra bytes
    const Bytes written = recordtest::Written([&](CChunkStream& s) { ps.WritePrinterChunk(s); });
    EXPECT_EQ(written, Chunk("PCPR", mode));

    PrinterSettings other;  // portrait again, the same printer
    recordtest::Reader r(written);
    EXPECT_EQ(other.ReadPrinterChunk(r.stream), 0);
    EXPECT_EQ(DevModeOf(other), mode);
    EXPECT_EQ(other.GetPrintOrientation(), 1);
}

TEST(PageSetupTest, StoredDeviceModesOfOtherPrintersShortOnesAndDamagedOnes) {
    recordtest::CleanGlobals clean;
    FakePrinting fake;
    fake.defaultName = "Plain";
    fake.installed = {{"drv2", "Office", "USB1", "Office"}};
    UsePrinting use(&fake);
    PrinterSettings ps;
    const Bytes mine = DevModeOf(ps);
    {
        // Too short for a device mode: skipped, and the chunk is consumed.
        Bytes file = Chunk("PCPR", Bytes(120, 7));
        const Bytes next = Chunk("NEXT", {1, 2});
        file.insert(file.end(), next.begin(), next.end());
        recordtest::Reader r(file);
        EXPECT_EQ(ps.ReadPrinterChunk(r.stream), -1);
        EXPECT_EQ(r.file->GetPosition(), 128u);
        EXPECT_EQ(DevModeOf(ps), mine);
    }
    {
        // Its own sizes claim more than it holds.
        Bytes damaged = Mode("Plain");
        damaged[38] = 40;
        recordtest::Reader r(Chunk("PCPR", damaged));
        EXPECT_EQ(ps.ReadPrinterChunk(r.stream), PrinterSettings::kDamaged);
        EXPECT_EQ(DevModeOf(ps), mine);
    }
    {
        // A printer that is not installed: ignored.
        recordtest::Reader r(Chunk("PCPR", Mode("Elsewhere")));
        EXPECT_EQ(ps.ReadPrinterChunk(r.stream), 1);
        EXPECT_EQ(DevModeOf(ps), mine);
        EXPECT_EQ(ps.GetDevNamesDevice(), "Plain");
    }
    {
        // An installed printer: the settings switch to it.
        recordtest::Reader r(Chunk("PCPR", Mode("Office", 2)));
        EXPECT_EQ(ps.ReadPrinterChunk(r.stream), 1);
        EXPECT_EQ(ps.GetDevNamesDevice(), "Office");
        EXPECT_EQ(ps.GetPrintOrientation(), 1);
        const HGLOBAL names = ps.GetDevNames();
        const auto* p = static_cast<const std::uint8_t*>(DerefHandle(names));
        EXPECT_EQ(GetHandleSize(names), 4u + 6u + 4u + 11u);
        EXPECT_EQ(p[0], 8);   // driver
        EXPECT_EQ(p[2], 13);  // device
        EXPECT_EQ(p[4], 20);  // port
        EXPECT_STREQ(reinterpret_cast<const char*>(p + 8), "drv2");
        EXPECT_STREQ(reinterpret_cast<const char*>(p + 20), "USB1");
    }
}

TEST(PageSetupTest, LegacyPrinterBlock) {
    recordtest::CleanGlobals clean;
    FakePrinting fake;
    fake.defaultName = "Plain";
    UsePrinting use(&fake);
    PrinterSettings ps;
    const auto block = [](const char* tag, std::uint32_t length, const Bytes& body) {
        Bytes b(tag, tag + 4);
        for (int shift = 0; shift < 32; shift += 8) b.push_back(std::uint8_t(length >> shift));
        b.insert(b.end(), body.begin(), body.end());
        return b;
    };
    {
        CMemFile file(block("RPNT", 148, Mode("Plain", 2)));
        EXPECT_EQ(ps.ReadLegacyPrinterBlock(file), 0);
        EXPECT_EQ(ps.GetPrintOrientation(), 1);
    }
    {
        CMemFile file(block("XXXX", 10, Bytes(12, 0)));
        EXPECT_EQ(ps.ReadLegacyPrinterBlock(file), -1);
        EXPECT_EQ(file.GetPosition(), 18u);
    }
    {
        // A length beyond the file is damage, not a seek past its end.
        CMemFile file(block("XXXX", 4000, Bytes(12, 0)));
        EXPECT_THROW(ps.ReadLegacyPrinterBlock(file), CFileException);
    }
    {
        CMemFile file(block("RPNT", 100, Bytes(100, 0)));
        EXPECT_EQ(ps.ReadLegacyPrinterBlock(file), -1);
        EXPECT_EQ(file.GetPosition(), 108u);
    }
}

TEST(PageSetupTest, SetupDialogConfirmedChangesOrientationAndPaper) {
    recordtest::CleanGlobals clean;
    FakePrinting fake;
    fake.defaultName = "Plain";
    UsePrinting use(&fake);
    PrinterSettings ps;
    const Bytes before = DevModeOf(ps);
    fw::commondialogtest::Script script;
    script.AnswerPrint("Plain", DMORIENT_LANDSCAPE, DMPAPER_A4);
    ASSERT_TRUE(ps.RunSetupDialog());
    ASSERT_EQ(script.asked().size(), 1u);
    EXPECT_EQ(script.asked()[0].kind, fw::commondialogtest::Request::kPrintSetup);
    EXPECT_EQ(script.asked()[0].device, "Plain");
    EXPECT_EQ(ps.GetPrintOrientation(), 1);
    const PrinterSetup setup = ps.GetPrinterSetup();
    EXPECT_EQ(setup.device, "Plain");
    EXPECT_EQ(setup.orientation, 1);
    EXPECT_EQ(setup.paperSize, DMPAPER_A4);
    EXPECT_EQ(setup.resolution, 600);
    // The same printer keeps its device mode: the driver's extra bytes stay.
    const Bytes after = DevModeOf(ps);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin() + 148, before.end(), after.begin() + 148));
    EXPECT_EQ(ps.GetDevNamesDevice(), "Plain");

    // Back to portrait, the printer's own paper: the paper stays.
    script.AnswerPrint("Plain", DMORIENT_PORTRAIT);
    ASSERT_TRUE(ps.RunSetupDialog());
    EXPECT_EQ(ps.GetPrintOrientation(), 0);
    EXPECT_EQ(ps.GetPrinterSetup().paperSize, DMPAPER_A4);
}

TEST(PageSetupTest, SetupDialogCancelledLeavesTheSettings) {
    recordtest::CleanGlobals clean;
    FakePrinting fake;
    fake.defaultName = "Plain";
    UsePrinting use(&fake);
    PrinterSettings ps;
    const Bytes before = DevModeOf(ps);
    fw::commondialogtest::Script script;
    script.Cancel();
    EXPECT_FALSE(ps.RunSetupDialog());
    EXPECT_EQ(script.asked().size(), 1u);
    // Without a scripted answer the dialog is cancelled as well.
    EXPECT_FALSE(ps.RunSetupDialog());
    EXPECT_EQ(DevModeOf(ps), before);
    EXPECT_EQ(ps.GetDevNamesDevice(), "Plain");
    EXPECT_EQ(ps.GetPrintOrientation(), 0);
}

TEST(PageSetupTest, SetupDialogWithAnotherPrinterGivesItsOwnDeviceMode) {
    recordtest::CleanGlobals clean;
    FakePrinting fake;
    fake.defaultName = "Plain";
    UsePrinting use(&fake);
    PrinterSettings ps;
    fw::commondialogtest::Script script;
    script.AnswerPrint("Office", DMORIENT_LANDSCAPE);
    ASSERT_TRUE(ps.RunSetupDialog());
    EXPECT_EQ(ps.GetDevNamesDevice(), "Office");
    const Bytes mode = DevModeOf(ps);
    ASSERT_EQ(mode.size(), 148u);
    EXPECT_STREQ(reinterpret_cast<const char*>(mode.data()), "Office");
    EXPECT_EQ(ps.GetPrintOrientation(), 1);
    EXPECT_EQ(ps.GetPrinterSetup().device, "Office");
    EXPECT_EQ(ps.GetPrinterSetup().resolution, 600);
}

TEST(PageSetupTest, SetupDialogGoesThroughThePrintingSystemInUse) {
    recordtest::CleanGlobals clean;
    struct Confirming : FakePrinting {
        bool RunSetupDialog(std::vector<std::uint8_t>* devMode, std::string* device) override {
            ++runs;
            (*devMode)[44] = 2;
            return true;
        }
        int runs = 0;
    } fake;
    fake.defaultName = "Plain";
    UsePrinting use(&fake);
    PrinterSettings ps;
    fw::commondialogtest::Script script;  // not asked: the printing system answers
    EXPECT_TRUE(ps.RunSetupDialog());
    EXPECT_EQ(fake.runs, 1);
    EXPECT_TRUE(script.asked().empty());
    EXPECT_EQ(ps.GetPrintOrientation(), 1);
}

}  // namespace
