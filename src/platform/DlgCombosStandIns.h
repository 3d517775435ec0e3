// What the dialog combo fillers ask of the VST device definitions and
// the instrument-name manager. These are the least forms of those services: each is a class
// with one program-wide instance that knows no names until its owner replaces it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Devices.h"

// One controller name of a VST device definition (76 bytes, name first).
struct VSTControllerName {
    char name[76] = {};
};
static_assert(sizeof(VSTControllerName) == 76);

// One named key of a VST device definition (68 bytes: name, then the key's pitch).
struct VSTKeyEntry {
    char name[66] = {};
    std::int16_t pitch = 0;
};
static_assert(sizeof(VSTKeyEntry) == 68);

// One sound of a VST device definition's sound menu: its name (which a voice keeps as its
// definition name), the track names it gives, its bank (-1: none), program and pitch offset.
struct VSTSound {
    char name[64] = {};
    char fullName[32] = {};
    char abbreviation[32] = {};
    int bank = -1;
    int program = 0;
    int pitchOffset = 0;
};

// The VST device definitions (VSTDevices\*.xml) by the port they serve.
class VSTDeviceDefs {
public:
    virtual ~VSTDeviceDefs() = default;
    // The 128 controller names (indexed by controller number) of the definition serving the
    // port; false when the port has none or nothing is named.
    virtual bool GetControllerNames(int portId, const char* instrument, VSTControllerName* table, bool byNumber,
                                    bool withDefaults);
    // The named keys of the definition serving the port; false when empty or none.
    virtual bool GetKeyList(int portId, const char* instrument, std::vector<VSTKeyEntry>& table);
    // The key switches (at most 128) of the definition serving the port; false when none.
    virtual bool GetKeySwitches(int portId, const char* instrument, std::vector<VSTKeyEntry>& table);
    // The n-th distinct patch of the definition serving the port (a packed patch word).
    virtual bool GetPatchByIndex(int portId, int index, std::uint32_t bankWord, std::uint32_t* patchWord);
    // The patch name of a sample-player or VST port (text: size bytes with the terminator).
    virtual bool GetPatchName(int portId, int zero, std::uint32_t patchWord, int program, char* text,
                              std::size_t size);
    // What a track voice's sound (its instrument name on the port) gives the performer: the
    // 32-byte mark-playback entry of a mark code (false: none), the volume controller (-1:
    // none), whether it plays legato, its setup values (which 0-2) and bytes, its sound-setup
    // and sound-name values.
    virtual bool GetArticulation(int portId, const char* instrument, int code, std::uint8_t* entry);
    virtual int FindVolumeController(int portId, const char* instrument);
    virtual bool HasLegato(int portId, const char* instrument);
    virtual int GetSoundValue(int portId, const char* instrument, int which);
    virtual int GetSoundByte(int portId, const char* instrument, int which);
    virtual int GetSoundSetupValue(int portId, const char* instrument);
    virtual int GetSoundNameValue(int portId, const char* instrument);
    // The sound menu of a port for a voice's definition name: how many sounds, and sound i.
    virtual int GetSoundCount(int portId, const char* instrument);
    virtual bool GetSound(int portId, const char* instrument, int index, VSTSound* sound);
};

// The instrument-name manager: banks and patch names of the instrument definitions. A device is
// a port's place in the output list, or -1 for a port the list does not hold (an engine port
// among them): every operation takes -1 and answers it without indexing its tables with it.
class CNameMgr {
public:
    virtual ~CNameMgr() = default;
    // Bank of a packed patch word, -1 for none.
    virtual int GetBankNumber(int device, int zero, std::uint32_t patchWord);
    // Packed patch word of the n-th bank.
    virtual std::uint32_t GetBankWordByIndex(int device, int zero, int bankIndex, int zero2);
    // Number of patches in the bank of a patch word.
    virtual int GetPatchCount(int device, int zero, std::uint32_t patchWord);
    // Patch name, empty for no program.
    virtual void GetPatchName(int device, int zero, std::uint32_t patchWord, char* text, std::size_t size);
    // The patch word with a bank put in by the device's bank-select method (bank -1: none).
    virtual std::uint32_t MakeBankWord(int device, int channel, int bank, std::uint32_t oldWord);
    // The bank's name appended to the text; false when the definitions name none.
    virtual bool AppendBankName(int device, int channel, std::uint32_t patchWord, char* text, std::size_t size);
    // The instrument name of a device and channel; false when none.
    virtual bool GetInstrumentName(int device, int channel, char* text, std::size_t size);
};

// The program-wide instances (never null; replaced by their owners, and by tests).
VSTDeviceDefs* GetVSTDeviceDefs();
void SetVSTDeviceDefs(VSTDeviceDefs* defs);
CNameMgr* GetNameMgr();
void SetNameMgr(CNameMgr* mgr);

// The patch name of a program on a port from the instrument definitions when loaded, else the
// General MIDI name; the program's number text too. Each buffer holds size bytes.
using PortPatchNameSource = void (*)(int port, int channel, int program, char* name, char* numberText,
                                     std::size_t size);
void GetPortPatchNameOrGM(int port, int channel, int program, char* name, char* numberText, std::size_t size);
// Where GetPortPatchNameOrGM takes its names from (null: the stand-in's own).
void SetPortPatchNameSource(PortPatchNameSource source);
