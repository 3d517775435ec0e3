#include "model/PageSetup.h"

#include <algorithm>
#include <cstring>

#include "framework/Arith.h"
#include "framework/CodePage.h"
#include "framework/CommonDialogs.h"
#include "framework/DC.h"
#include "framework/Exceptions.h"
#include "framework/File.h"
#include "platform/ChunkStream.h"
#include "platform/Handles.h"
#include "platform/PortLayer.h"

// --- page setup -------------------------------------------------------------------------------

RECT CPageSetup::GetPaperRect() const { return {0, 0, GetPaperWidth(), GetPaperHeight()}; }

RECT CPageSetup::GetMarginRect() const {
    return {PointsFromTwips(leftMargin), PointsFromTwips(topMargin),
            PointsFromTwips(paperWidth) - PointsFromTwips(rightMargin),
            PointsFromTwips(paperHeight) - PointsFromTwips(bottomMargin)};
}

RECT CPageSetup::GetMarginsPoints() const {
    return {GetLeftMargin(), GetTopMargin(), GetRightMargin(), GetBottomMargin()};
}

void CPageSetup::Unscale(int percent) {
    RECT paper = GetPaperRectTwips();
    RECT printable = GetMarginRectTwips();
    UnscaleRect(&paper, percent);
    UnscaleRect(&printable, percent);
    paperWidth = paper.right - paper.left;
    paperHeight = paper.bottom - paper.top;
    leftMargin = printable.left - paper.left;
    topMargin = printable.top - paper.top;
    rightMargin = paper.right - printable.right;
    bottomMargin = paper.bottom - printable.bottom;
}

// --- the framework's printing -----------------------------------------------------------------

namespace {

std::uint16_t GetLE16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
void PutLE16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
std::uint32_t GetLE32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
void PutLE32(std::uint8_t* p, std::uint32_t v) {
    PutLE16(p, std::uint16_t(v));
    PutLE16(p + 2, std::uint16_t(v >> 16));
}

// The device name a device mode holds (at most 31 bytes before its terminator).
std::string DevModeName(const std::uint8_t* devMode) {
    const auto* p = reinterpret_cast<const char*>(devMode + PrinterSettings::kDevName);
    return std::string(p, strnlen(p, PrinterSettings::kDevNameSize));
}

// The name a printer's own device mode carries: its name cut to the 31-byte field.
std::string ModeDeviceName(const std::string& device) {
    return device.substr(0, fw::FitBytes(device, PrinterSettings::kDevNameSize - 1));
}

class FrameworkPrinting : public PrinterSystem {};

FrameworkPrinting& frameworkPrinting() {
    static FrameworkPrinting system;
    return system;
}

PrinterSystem*& currentPrinting() {
    static PrinterSystem* system = nullptr;
    return system;
}

// A device mode for a printer of the framework: portrait at the framework's resolution.
std::vector<std::uint8_t> NewDevMode(const std::string& device) {
    std::vector<std::uint8_t> mode(PrinterSettings::kMinDevModeSize, 0);
    fw::CopyText(reinterpret_cast<char*>(mode.data()), PrinterSettings::kDevNameSize, device);
    PutLE16(mode.data() + PrinterSettings::kSpecVersion, 0x0400);
    PutLE16(mode.data() + PrinterSettings::kDevModeSize, std::uint16_t(PrinterSettings::kMinDevModeSize));
    PutLE32(mode.data() + PrinterSettings::kFields,
            PrinterSettings::DM_ORIENTATION | PrinterSettings::DM_PRINTQUALITY | PrinterSettings::DM_YRESOLUTION);
    PutLE16(mode.data() + PrinterSettings::kOrientation, 1);
    PutLE16(mode.data() + PrinterSettings::kPrintQuality, 600);
    PutLE16(mode.data() + PrinterSettings::kYResolution, 600);
    return mode;
}

}  // namespace

bool PrinterSystem::GetDefaultPrinter(std::vector<std::uint8_t>* devMode, std::string* driver, std::string* device,
                                      std::string* port) {
    const std::vector<std::string> names = fw::PrinterNames();
    if (names.empty()) return false;
    *device = fw::FromUtf8(names.front());
    driver->clear();
    port->clear();
    *devMode = NewDevMode(*device);
    return true;
}

bool PrinterSystem::EnumLocalPrinters(std::vector<InstalledPrinter>* printers) {
    printers->clear();
    for (const std::string& name : fw::PrinterNames()) {
        InstalledPrinter p;
        p.device = fw::FromUtf8(name);
        p.modeDevice = ModeDeviceName(p.device);
        printers->push_back(p);
    }
    return true;
}

bool PrinterSystem::GetDeviceCaps(const PrinterSetup& setup, PrinterCaps* caps) {
    CPrinterDC dc;
    if (!dc.CreatePrinter(fw::ToUtf8(setup.device), setup.resolution > 0 ? setup.resolution : 600)) return false;
    caps->physicalWidth = dc.GetDeviceCaps(PHYSICALWIDTH);
    caps->physicalHeight = dc.GetDeviceCaps(PHYSICALHEIGHT);
    caps->physicalOffsetX = dc.GetDeviceCaps(PHYSICALOFFSETX);
    caps->physicalOffsetY = dc.GetDeviceCaps(PHYSICALOFFSETY);
    caps->horzRes = dc.GetDeviceCaps(HORZRES);
    caps->vertRes = dc.GetDeviceCaps(VERTRES);
    caps->logPixelsX = dc.GetDeviceCaps(LOGPIXELSX);
    caps->logPixelsY = dc.GetDeviceCaps(LOGPIXELSY);
    // The framework's printer pages are portrait: a landscape set-up turns the page.
    if (setup.orientation == 1) {
        std::swap(caps->physicalWidth, caps->physicalHeight);
        std::swap(caps->physicalOffsetX, caps->physicalOffsetY);
        std::swap(caps->horzRes, caps->vertRes);
        std::swap(caps->logPixelsX, caps->logPixelsY);
    }
    return true;
}

bool PrinterSystem::RunSetupDialog(std::vector<std::uint8_t>* devMode, std::string* device) {
    const bool haveMode = devMode->size() >= PrinterSettings::kMinDevModeSize;
    CPrintDialog dlg(TRUE);
    dlg.m_device = *device;
    if (dlg.m_device.empty() && haveMode) dlg.m_device = DevModeName(devMode->data());
    if (haveMode) {
        const std::uint8_t* p = devMode->data();
        const std::uint32_t fields = GetLE32(p + PrinterSettings::kFields);
        dlg.m_orientation =
            std::int16_t(GetLE16(p + PrinterSettings::kOrientation)) == DMORIENT_LANDSCAPE ? DMORIENT_LANDSCAPE
                                                                                           : DMORIENT_PORTRAIT;
        if (fields & PrinterSettings::DM_PAPERSIZE) dlg.m_paperSize = std::int16_t(GetLE16(p + PrinterSettings::kPaperSize));
    }
    const std::string startDevice = dlg.m_device;
    const int startPaper = dlg.m_paperSize;
    if (dlg.DoModal() != IDOK) return false;

    // The printer: another one (or a first one) starts from a device mode of its own.
    const std::string chosen = dlg.m_device.empty() ? startDevice : dlg.m_device;
    if (!chosen.empty() && (chosen != startDevice || !haveMode)) {
        *devMode = NewDevMode(chosen);
        *device = chosen;
    }
    if (devMode->size() < PrinterSettings::kMinDevModeSize) return true;
    std::uint8_t* p = devMode->data();
    std::uint32_t fields = GetLE32(p + PrinterSettings::kFields) | PrinterSettings::DM_ORIENTATION;
    PutLE16(p + PrinterSettings::kOrientation,
            std::uint16_t(dlg.m_orientation == DMORIENT_LANDSCAPE ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT));
    // The printer's own paper (0) leaves the device mode's paper as it was.
    if (dlg.m_paperSize > 0 && dlg.m_paperSize != startPaper) {
        fields |= PrinterSettings::DM_PAPERSIZE;
        PutLE16(p + PrinterSettings::kPaperSize, std::uint16_t(dlg.m_paperSize));
    }
    PutLE32(p + PrinterSettings::kFields, fields);
    return true;
}

PrinterSystem& GetPrinterSystem() {
    PrinterSystem* s = currentPrinting();
    return s ? *s : frameworkPrinting();
}

PrinterSystem* SetPrinterSystem(PrinterSystem* system) {
    PrinterSystem* before = currentPrinting();
    currentPrinting() = system;
    return before;
}

HGLOBAL MakeDevNames(const std::string& driver, const std::string& device, const std::string& port) {
    const std::uint32_t size = std::uint32_t(driver.size() + device.size() + port.size() + 11);
    HGLOBAL h = AllocHandle(size);
    if (!h) return 0;
    auto* p = static_cast<std::uint8_t*>(LockHandle(h));
    std::memset(p, 0, size);
    const auto driverAt = std::uint16_t(8);
    const auto deviceAt = std::uint16_t(driver.size() + 9);
    const auto portAt = std::uint16_t(driver.size() + device.size() + 10);
    PutLE16(p, driverAt);
    PutLE16(p + 2, deviceAt);
    PutLE16(p + 4, portAt);
    PutLE16(p + 6, 0);
    std::memcpy(p + driverAt, driver.data(), driver.size());
    std::memcpy(p + deviceAt, device.data(), device.size());
    std::memcpy(p + portAt, port.data(), port.size());
    UnlockHandle(h);
    return h;
}

// --- printer settings -----------------------------------------------------------------------

PrinterSettings::PrinterSettings() {
    std::vector<std::uint8_t> mode;
    std::string driver, device, port;
    hasPrinter = GetPrinterSystem().GetDefaultPrinter(&mode, &driver, &device, &port);
    if (!hasPrinter) return;
    devMode = AllocHandle(std::uint32_t(std::max<std::size_t>(mode.size(), 1)));
    if (devMode) {
        std::memcpy(LockHandle(devMode), mode.data(), mode.size());
        UnlockHandle(devMode);
    }
    devNames = MakeDevNames(driver, device, port);
}

PrinterSettings::~PrinterSettings() {
    FreeHandle(devMode);
    FreeHandle(devNames);
}

std::uint32_t PrinterSettings::DevModeLength() const {
    if (!devMode) return 0;
    const std::uint32_t block = GetHandleSize(devMode);
    if (block < kMinDevModeSize) return block;
    const auto* p = static_cast<const std::uint8_t*>(DerefHandle(devMode));
    const std::uint32_t length = std::uint32_t(GetLE16(p + kDevModeSize)) + GetLE16(p + kDriverExtra);
    return std::min(length, block);
}

std::string PrinterSettings::GetDevNamesDevice() const {
    if (!devNames) return {};
    const std::uint32_t size = GetHandleSize(devNames);
    const auto* p = static_cast<const std::uint8_t*>(DerefHandle(devNames));
    if (!p || size < 8) return {};
    const std::uint16_t at = GetLE16(p + 2);
    if (at >= size) return {};
    const auto* s = reinterpret_cast<const char*>(p + at);
    return std::string(s, strnlen(s, size - at));
}

PrinterSetup PrinterSettings::GetPrinterSetup() const {
    PrinterSetup setup;
    setup.device = GetDevNamesDevice();
    if (devMode && GetHandleSize(devMode) >= kMinDevModeSize) {
        const auto* p = static_cast<const std::uint8_t*>(DerefHandle(devMode));
        const std::uint32_t fields = GetLE32(p + kFields);
        if (setup.device.empty()) setup.device = DevModeName(p);
        setup.orientation = GetPrintOrientation() == 1 ? 1 : 0;
        if (fields & DM_PAPERSIZE) setup.paperSize = std::int16_t(GetLE16(p + kPaperSize));
        const int quality = std::int16_t(GetLE16(p + kPrintQuality));
        if ((fields & DM_PRINTQUALITY) && quality > 0) setup.resolution = quality;
    }
    return setup;
}

bool PrinterSettings::RunSetupDialog() {
    std::vector<std::uint8_t> mode;
    const std::uint32_t length = DevModeLength();
    if (length) {
        const auto* p = static_cast<const std::uint8_t*>(DerefHandle(devMode));
        mode.assign(p, p + length);
    }
    std::string device = GetDevNamesDevice();
    if (!GetPrinterSystem().RunSetupDialog(&mode, &device)) return false;
    if (!mode.empty()) {
        HGLOBAL h = AllocHandle(std::uint32_t(mode.size()));
        if (h) {
            std::memcpy(LockHandle(h), mode.data(), mode.size());
            UnlockHandle(h);
            FreeHandle(devMode);
            devMode = h;
        }
    }
    if (device != GetDevNamesDevice()) {
        if (HGLOBAL names = MakeDevNames("", device, "")) {
            FreeHandle(devNames);
            devNames = names;
        }
    }
    return true;
}

bool PrinterSettings::SelectDevice(const std::string& device) {
    if (device.empty()) return false;
    if (hasPrinter && device == GetDevNamesDevice()) return true;
    const std::vector<std::uint8_t> mode = NewDevMode(device);
    HGLOBAL h = AllocHandle(std::uint32_t(mode.size()));
    HGLOBAL names = h ? MakeDevNames("", device, "") : 0;
    if (!h || !names) {
        FreeHandle(h);
        return false;
    }
    std::memcpy(LockHandle(h), mode.data(), mode.size());
    UnlockHandle(h);
    FreeHandle(devMode);
    FreeHandle(devNames);
    devMode = h;
    devNames = names;
    hasPrinter = true;
    return true;
}

void PrinterSettings::GetPageDefaults(CPageSetup& setup) {
    PrinterCaps caps;
    const bool haveDC = hasPrinter && GetPrinterSystem().GetDeviceCaps(GetPrinterSetup(), &caps);
    if (!haveDC) {
        setup.SetPaperSizePoints(612, 792);
        setup.SetMarginsPoints(36, 36, 36, 36);
        return;
    }
    const int width = MulDiv(caps.physicalWidth, 72, caps.logPixelsX);
    const int height = MulDiv(caps.physicalHeight, 72, caps.logPixelsY);
    const int left = MulDiv(caps.physicalOffsetX, 72, caps.logPixelsX);
    const int top = MulDiv(caps.physicalOffsetY, 72, caps.logPixelsY);
    const int right = MulDiv(caps.physicalWidth - caps.physicalOffsetX - caps.horzRes, 72, caps.logPixelsX);
    const int bottom = MulDiv(caps.physicalHeight - caps.physicalOffsetY - caps.vertRes, 72, caps.logPixelsY);
    setup.SetPaperSizePoints(width, height);
    setup.SetMarginsPoints(left, top, right, bottom);
}

int PrinterSettings::GetPrintOrientation() const {
    if (!devMode || GetHandleSize(devMode) < kMinDevModeSize) return -1;
    const auto* p = static_cast<const std::uint8_t*>(DerefHandle(devMode));
    switch (std::int16_t(GetLE16(p + kOrientation))) {
        case 1: return 0;
        case 2: return 1;
        default: return -1;
    }
}

void PrinterSettings::SetPrintOrientation(int orientation) {
    if (!devMode || GetHandleSize(devMode) < kMinDevModeSize) return;
    if (orientation != 0 && orientation != 1) return;
    auto* p = static_cast<std::uint8_t*>(DerefHandle(devMode));
    PutLE16(p + kOrientation, std::uint16_t(orientation == 0 ? 1 : 2));
}

bool PrinterSettings::IsLaserJetPrinter() const {
    if (!devMode || GetHandleSize(devMode) < kMinDevModeSize) return false;
    return DevModeName(static_cast<const std::uint8_t*>(DerefHandle(devMode))).find("HP LaserJet") != std::string::npos;
}

bool PrinterSettings::FindPrinterDevNames(const std::uint8_t* mode, HGLOBAL* names) {
    std::vector<InstalledPrinter> printers;
    if (!GetPrinterSystem().EnumLocalPrinters(&printers)) return false;
    const std::string wanted = DevModeName(mode);
    for (const InstalledPrinter& p : printers) {
        if (p.modeDevice != wanted) continue;
        const HGLOBAL h = MakeDevNames(p.driver, wanted, p.port);
        if (!h) return false;
        *names = h;
        return true;
    }
    return false;
}

int PrinterSettings::RestoreDevMode(const std::uint8_t* bytes, std::uint32_t len) {
    if (len < kMinDevModeSize) return -1;
    // A device mode whose own sizes run past its stored length is damaged: it would later be
    // written out with bytes it never had.
    if (std::uint32_t(GetLE16(bytes + kDevModeSize)) + GetLE16(bytes + kDriverExtra) > len) return kDamaged;
    HGLOBAL stored = AllocHandle(len);
    if (!stored) return -1;
    auto* p = static_cast<std::uint8_t*>(LockHandle(stored));
    if (!p || !devNames) {
        FreeHandle(stored);
        return -1;
    }
    std::memcpy(p, bytes, len);
    UnlockHandle(stored);
    if (DevModeName(p) == GetDevNamesDevice()) {
        FreeHandle(devMode);
        devMode = stored;
        return 0;
    }
    HGLOBAL names = 0;
    if (FindPrinterDevNames(p, &names)) {
        FreeHandle(devMode);
        FreeHandle(devNames);
        devMode = stored;
        devNames = names;
    } else {
        FreeHandle(stored);
    }
    return 1;
}

int PrinterSettings::ReadPrinterChunk(CChunkStream& stream) {
    const std::uint32_t len = stream.BeginReadChunk(MakeChunkTag("PCPR"));
    int result = -1;
    if (len >= kMinDevModeSize) {
        std::vector<std::uint8_t> bytes(len);
        stream.ReadBytes(bytes.data(), len);
        result = RestoreDevMode(bytes.data(), len);
    }
    stream.EndReadChunk();
    return result;
}

void PrinterSettings::WritePrinterChunk(CChunkStream& stream) const {
    const std::uint32_t length = DevModeLength();
    if (!length) return;
    stream.BeginChunk(MakeChunkTag("PCPR"), -1);
    stream.WriteBytes(DerefHandle(devMode), length);
    stream.EndChunk(-1);
}

int PrinterSettings::ReadLegacyPrinterBlock(CFile& file) {
    std::uint8_t head[8];
    if (file.Read(head, 8) < 8) AfxThrowFileException(CFileException::endOfFile, -1, file.GetFilePath().c_str());
    const std::uint32_t len = GetLE32(head + 4);
    const std::uint64_t size = file.GetLength();
    const std::uint64_t left = size - std::min(size, file.GetPosition());
    // The length must lie inside the file, whatever the block is.
    if (len > left) AfxThrowFileException(CFileException::endOfFile, -1, file.GetFilePath().c_str());
    if (std::memcmp(head, "RPNT", 4) != 0 || len < kMinDevModeSize) {
        file.Seek(len, CFile::current);
        return -1;
    }
    std::vector<std::uint8_t> bytes(len);
    if (file.Read(bytes.data(), len) < len)
        AfxThrowFileException(CFileException::endOfFile, -1, file.GetFilePath().c_str());
    return RestoreDevMode(bytes.data(), len);
}
