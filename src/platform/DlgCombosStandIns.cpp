#include "platform/DlgCombosStandIns.h"

#include <string>

#include "framework/CodePage.h"
#include "platform/PlatformGlobals.h"
#include "platform/Theory.h"

bool VSTDeviceDefs::GetControllerNames(int, const char*, VSTControllerName*, bool, bool) { return false; }
bool VSTDeviceDefs::GetKeyList(int, const char*, std::vector<VSTKeyEntry>&) { return false; }
bool VSTDeviceDefs::GetKeySwitches(int, const char*, std::vector<VSTKeyEntry>&) { return false; }
bool VSTDeviceDefs::GetPatchByIndex(int, int, std::uint32_t, std::uint32_t*) { return false; }
bool VSTDeviceDefs::GetPatchName(int, int, std::uint32_t, int, char* text, std::size_t size) {
    if (text && size) text[0] = 0;
    return false;
}

bool VSTDeviceDefs::GetArticulation(int, const char*, int, std::uint8_t*) { return false; }
int VSTDeviceDefs::FindVolumeController(int, const char*) { return -1; }
bool VSTDeviceDefs::HasLegato(int, const char*) { return false; }
int VSTDeviceDefs::GetSoundValue(int, const char*, int) { return 0; }
int VSTDeviceDefs::GetSoundByte(int, const char*, int) { return 0; }
int VSTDeviceDefs::GetSoundSetupValue(int, const char*) { return 0; }
int VSTDeviceDefs::GetSoundNameValue(int, const char*) { return 0; }
int VSTDeviceDefs::GetSoundCount(int, const char*) { return 0; }
bool VSTDeviceDefs::GetSound(int, const char*, int, VSTSound*) { return false; }

int CNameMgr::GetBankNumber(int, int, std::uint32_t) { return -1; }
std::uint32_t CNameMgr::GetBankWordByIndex(int, int, int, int) { return 0; }
int CNameMgr::GetPatchCount(int, int, std::uint32_t) { return 0; }
void CNameMgr::GetPatchName(int, int, std::uint32_t, char* text, std::size_t size) {
    if (text && size) text[0] = 0;
}
std::uint32_t CNameMgr::MakeBankWord(int, int, int bank, std::uint32_t oldWord) {
    // Without a definition the bank sits in the bytes above the program; -1 marks none.
    return (oldWord & 0xFFu) | (bank < 0 ? 0xFFFFFF00u : std::uint32_t(bank) << 8);
}
bool CNameMgr::AppendBankName(int, int, std::uint32_t, char*, std::size_t) { return false; }
bool CNameMgr::GetInstrumentName(int, int, char* text, std::size_t size) {
    if (text && size) text[0] = 0;
    return false;
}

namespace {

VSTDeviceDefs g_noDefs;
CNameMgr g_noNames;
VSTDeviceDefs* g_defs = &g_noDefs;
CNameMgr* g_names = &g_noNames;
PortPatchNameSource g_patchSource = nullptr;

}  // namespace

VSTDeviceDefs* GetVSTDeviceDefs() { return g_defs; }
void SetVSTDeviceDefs(VSTDeviceDefs* defs) { g_defs = defs ? defs : &g_noDefs; }
CNameMgr* GetNameMgr() { return g_names; }
void SetNameMgr(CNameMgr* mgr) { g_names = mgr ? mgr : &g_noNames; }

void SetPortPatchNameSource(PortPatchNameSource source) { g_patchSource = source; }

void GetPortPatchNameOrGM(int port, int channel, int program, char* name, char* numberText, std::size_t size) {
    if (g_patchSource) {
        g_patchSource(port, channel, program, name, numberText, size);
        return;
    }
    if (name && size) name[0] = 0;
    if (numberText) fw::CopyText(numberText, size, std::to_string(program + 1));
}
