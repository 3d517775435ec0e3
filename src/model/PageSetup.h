// The page setup of a score (paper size and margins) and the printer settings the document
// keeps with it: the printer's device mode and device names, which the score file stores whole.
//
// Device mode (the published 148-byte record of the printing system, little-endian fields):
//   0 device name (32 bytes, zero-terminated), 32 record version, 34 driver version, 36 size,
//   38 driver-extra size, 40 field mask (32-bit), 44 orientation (1 portrait, 2 landscape),
//   46 paper size code, 58 print quality (dots per inch when positive), 64 y resolution.
// Device names: three 16-bit offsets (driver, device, output port) and a default flag, then
// the three zero-terminated strings.
//
// The bytes are kept as the printing system gave them; where the program reads them (paper,
// orientation, resolution) they are mapped onto the framework's printer set-up through
// PrinterSystem below.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Types.h"

class CChunkStream;
class CFile;

// Paper and margins in twentieths of a point.
class CPageSetup {
public:
    static int PointsFromTwips(std::int32_t v) { return (v + 9) / 20; }

    // In points.
    RECT GetPaperRect() const;
    RECT GetMarginRect() const;
    RECT GetMarginsPoints() const;
    int GetPaperWidth() const { return PointsFromTwips(paperWidth); }
    int GetPaperHeight() const { return PointsFromTwips(paperHeight); }
    int GetPrintableWidth() const { return PointsFromTwips(paperWidth - leftMargin - rightMargin); }
    int GetPrintableHeight() const { return PointsFromTwips(paperHeight - topMargin - bottomMargin); }
    int GetLeftMargin() const { return PointsFromTwips(leftMargin); }
    int GetTopMargin() const { return PointsFromTwips(topMargin); }
    int GetRightMargin() const { return PointsFromTwips(rightMargin); }
    int GetBottomMargin() const { return PointsFromTwips(bottomMargin); }
    // In twips.
    RECT GetPaperRectTwips() const { return {0, 0, paperWidth, paperHeight}; }
    RECT GetMarginRectTwips() const {
        return {leftMargin, topMargin, paperWidth - rightMargin, paperHeight - bottomMargin};
    }
    RECT GetMarginsTwips() const { return {leftMargin, topMargin, rightMargin, bottomMargin}; }

    void SetPaperSizeTwips(std::int32_t w, std::int32_t h) {
        paperWidth = w;
        paperHeight = h;
    }
    void SetMarginsTwips(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
        leftMargin = l;
        topMargin = t;
        rightMargin = r;
        bottomMargin = b;
    }
    void SetPaperSizePoints(std::int32_t w, std::int32_t h) { SetPaperSizeTwips(w * 20, h * 20); }
    void SetMarginsPoints(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
        SetMarginsTwips(l * 20, t * 20, r * 20, b * 20);
    }
    // Unscales the paper and printable rectangles (twips) by the percentage and keeps the
    // paper size and the margins of the results.
    void Unscale(int percent);

    std::int32_t paperWidth = 0;
    std::int32_t paperHeight = 0;
    std::int32_t leftMargin = 0;
    std::int32_t topMargin = 0;
    std::int32_t rightMargin = 0;
    std::int32_t bottomMargin = 0;
};

// --- the system's printing, as far as the printer settings need it ------------------------------

// The device capabilities the page defaults read.
struct PrinterCaps {
    int physicalWidth = 0, physicalHeight = 0;   // paper, in device pixels
    int physicalOffsetX = 0, physicalOffsetY = 0;
    int horzRes = 0, vertRes = 0;                // printable area, in device pixels
    int logPixelsX = 0, logPixelsY = 0;
};

// An installed printer: its names and the device name its own device mode carries.
struct InstalledPrinter {
    std::string driver;
    std::string device;       // the program's code page
    std::string port;
    std::string modeDevice;   // the device name of the printer's own device mode
};

// The framework's printer set-up that a device mode maps to.
struct PrinterSetup {
    std::string device;       // the program's code page
    int orientation = 0;      // 0 portrait, 1 landscape
    int paperSize = 0;        // the device mode's paper code (0: the printer's own)
    int resolution = 600;     // dots per inch
};

class PrinterSystem {
public:
    virtual ~PrinterSystem() = default;
    // The default printer's device mode and names; false without a printer.
    virtual bool GetDefaultPrinter(std::vector<std::uint8_t>* devMode, std::string* driver, std::string* device,
                                   std::string* port);
    // The local printers; false when they cannot be listed.
    virtual bool EnumLocalPrinters(std::vector<InstalledPrinter>* printers);
    // Opens a printer device context for the set-up and reads its capabilities; false when
    // none can be had.
    virtual bool GetDeviceCaps(const PrinterSetup& setup, PrinterCaps* caps);
    // The print-setup dialog over a device mode and device name; true when confirmed, with the
    // chosen values written back (the printer, its orientation and paper; another printer
    // starts from a device mode of its own).
    virtual bool RunSetupDialog(std::vector<std::uint8_t>* devMode, std::string* device);
};

// The printing system in use (the framework's unless a test put another in place).
PrinterSystem& GetPrinterSystem();
// Puts a printing system in place (null: the framework's again); returns the one before.
PrinterSystem* SetPrinterSystem(PrinterSystem* system);

// --- printer settings ---------------------------------------------------------------------------

class PrinterSettings {
public:
    // The smallest stored device mode taken (the record of that system generation).
    static constexpr std::uint32_t kMinDevModeSize = 148;
    enum : int {
        kDevName = 0,
        kDevNameSize = 32,
        kSpecVersion = 32,
        kDevModeSize = 36,
        kDriverExtra = 38,
        kFields = 40,
        kOrientation = 44,
        kPaperSize = 46,
        kPrintQuality = 58,
        kYResolution = 64,
    };
    enum : std::uint32_t { DM_ORIENTATION = 0x1, DM_PAPERSIZE = 0x2, DM_PRINTQUALITY = 0x400, DM_YRESOLUTION = 0x2000 };

    // Asks the system for the default printer's settings.
    PrinterSettings();
    ~PrinterSettings();
    PrinterSettings(const PrinterSettings&) = delete;
    PrinterSettings& operator=(const PrinterSettings&) = delete;

    bool HasPrinter() const { return hasPrinter; }
    bool RunSetupDialog();
    // Makes another printer (the program's code page) the chosen one; it starts from a device
    // mode of its own. False for an empty name or when the blocks cannot be made.
    bool SelectDevice(const std::string& device);
    // Paper and margins of the printer's page; US Letter with 36-point margins without one.
    void GetPageDefaults(CPageSetup& setup);
    // 0 portrait, 1 landscape, -1 unknown.
    int GetPrintOrientation() const;
    void SetPrintOrientation(int orientation);
    bool IsLaserJetPrinter() const;
    // The framework's set-up for the current device mode.
    PrinterSetup GetPrinterSetup() const;

    // Chunk "PCPR"; the reader answers -1 skipped, 0 taken for the current printer, 1 printer
    // switched or not installed, kDamaged for a device mode whose own sizes run past what was
    // stored. The chunk is consumed in every case.
    static constexpr int kDamaged = -2;
    int ReadPrinterChunk(CChunkStream& stream);
    void WritePrinterChunk(CChunkStream& stream) const;
    // The block "RPNT" of older score files (tag, little-endian length, device mode).
    int ReadLegacyPrinterBlock(CFile& file);

    // Builds the device names of the installed printer whose own device mode carries the
    // given device mode's name; false when there is none or the block cannot be made.
    bool FindPrinterDevNames(const std::uint8_t* devMode, HGLOBAL* devNames);

    // The movable blocks the dialog carries (0 when there is none).
    HGLOBAL GetDevMode() const { return devMode; }
    HGLOBAL GetDevNames() const { return devNames; }
    // The device name in the device names; empty without them.
    std::string GetDevNamesDevice() const;

private:
    // Takes the stored device mode (len bytes) for the printer, by the rules shared by both
    // stored forms.
    int RestoreDevMode(const std::uint8_t* bytes, std::uint32_t len);
    // The device mode's bytes in use (its size plus its driver extra, within its block).
    std::uint32_t DevModeLength() const;

    bool hasPrinter = false;
    HGLOBAL devMode = 0;
    HGLOBAL devNames = 0;
};

// Builds a device names block; 0 when it cannot be made.
HGLOBAL MakeDevNames(const std::string& driver, const std::string& device, const std::string& port);
