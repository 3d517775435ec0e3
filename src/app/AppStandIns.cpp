#include "app/AppStandIns.h"

std::vector<std::string>& StandInCalls() {
    static std::vector<std::string> calls;
    return calls;
}

void RunAudioSettingsDialog() { StandInCalls().push_back("AudioSettings"); }
void RunInstrumentManagerDialog() { StandInCalls().push_back("InstrumentManager"); }
bool RunPreferencesSheet() {
    StandInCalls().push_back("Preferences");
    return false;
}
void ShowVSTWindow() { StandInCalls().push_back("VSTWindow"); }
void DataBoxNextField() { StandInCalls().push_back("DataBoxNextField"); }
