#include "shell/Strings.h"

#include <algorithm>
#include <map>

#include "shell/Translate.h"

namespace aulira {

const char* stringText(int id)
{
    static const std::map<int, const char*> table = {
        {101, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Aulira Configuration Tool (AUCT)\n\n")},
        {102, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Add Device")},
        {103, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Edit Device")},
        {104, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Please enter the correct device NO\xEF\xBC\x81")},
        {105, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Device NO is duplicate!\n\n")},
        {106, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Please enter a device name!\n\n")},
        {107, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Please enter the correct IP address!\n\n")},
        {108, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Please enter the correct subnet mask!\n\n")},
        {109, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Edit Group")},
        {110, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Add Group")},
        {111, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Group NO setting error!\n\n")},
        {112, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Group NO already exists, please re-enter!\n\n")},
        {113, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Group name cannot be empty!\n\n")},
        {114, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The group name is too long and cannot exceed 15 bytes!\n\n")},
        {115, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Broadcast Group\n\n")},
        {116, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Broadcast Device\n\n")},
        {117, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Intercom Device")},
        {120, AULIRA_TRANSLATE_NOOP("aulira::Strings", "NO")},
        {121, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Name")},
        {126, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Device Type")},
        {127, AULIRA_TRANSLATE_NOOP("aulira::Strings", "IP Address")},
        {129, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Location")},
        {130, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Local Network")},
        {131, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Address Book")},
        {132, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Confirm deletion of address book\n\n")},
        {133, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Delete address book")},
        {134, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Complete")},
        {135, AULIRA_TRANSLATE_NOOP("aulira::Strings", "No address book selected!\n\n")},
        {136, AULIRA_TRANSLATE_NOOP("aulira::Strings", "No device selected for download!\n\n")},
        {137, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Address book size exceeds capacity!\n\n")},
        {138, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Successfully downloaded the address book!\n\n")},
        {139, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Downloading address book, unable to close!\n\n")},
        {177, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The address book has been successfully cleared!")},
        {384, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The address book name cannot be empty!\n\n")},
        {385, AULIRA_TRANSLATE_NOOP("aulira::Strings", "An address book with that name already exists!\n\n")},
        {404, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Add address book wizard\n\n")},
        {405, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Add Address Book\n\n")},
        {418, AULIRA_TRANSLATE_NOOP("aulira::Strings", "No group or device selected!\n\n")},
        {151, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Firmware Version")},
        {157, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Operation Records\n\n")},
        {158, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Device Properties")},
        {176, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Failed to start email client, please contact us via email support@aulira.example.")},
        {57345, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Be Ready")},
        {170, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The length of the device name cannot exceed 15 bytes!")},
        {175, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The length of the user name cannot exceed 15 bytes!")},
        {366, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Please enter a gateway!\n\n")},
        {367, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The MAC address entered is incorrect!")},
        {381, AULIRA_TRANSLATE_NOOP("aulira::Strings", "No group selected\n\n")},
        {382, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Downloading group information, cannot close!\n\n")},
        {383, AULIRA_TRANSLATE_NOOP("aulira::Strings", "No device grouping!\n\n")},
        {387, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Status")},
        {388, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Server IP")},
        {389, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Device Status")},
        {390, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Failed to get the local network card!\n\n")},
        {391, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Offline")},
        {392, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Idle")},
        {393, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Realtime playing..")},
        {394, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Calling..")},
        {395, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Recording..")},
        {396, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Alarm..")},
        {397, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Local playing..")},
        {398, AULIRA_TRANSLATE_NOOP("aulira::Strings", "TTS playing..")},
        {399, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Found device\n\n")},
        {400, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Search for audio devices completed, total number of devices found")},
        {401, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Local network card not found!\n\n")},
        {402, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Local network card")},
        {403, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Please select the address to delete for this device!\n\n")},
        {406, AULIRA_TRANSLATE_NOOP("aulira::Strings", "No address book has been set. Please create an address book first!")},
        {407, AULIRA_TRANSLATE_NOOP("aulira::Strings", "No name set. Are you sure to skip checking?\n\n")},
        {408, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Detected duplicate IP address, please modify and continue!\n\n ")},
        {409, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Device Name")},
        {410, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Online")},
        {411, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Output")},
        {1001, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The device name is too long and cannot exceed 31 bytes!\n\n")},
        {1002, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The device name holds characters this computer's code page cannot store!\n\n")},
        {1003, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The length of the password cannot exceed 15 bytes!")},
        {1004, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The signal failure delay cannot exceed 255 seconds!")},
        {1005, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The user name holds characters this computer's code page cannot store!\n\n")},
        {1006, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The password holds characters this computer's code page cannot store!\n\n")},
        {1301, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Upgrade progress")},
        {1302, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Failed to get file information!\n\n")},
        {1303, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Failed to open file!\n\n")},
        {1304, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Non upgrade file!\n\n")},
        {1305, AULIRA_TRANSLATE_NOOP("aulira::Strings", "File length error!\n\n")},
        {1306, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Please select the upgraded device!\n\n")},
        {1307, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Upgrade completed!\n\n")},
        {1308, AULIRA_TRANSLATE_NOOP("aulira::Strings", "Upgrading firmware, unable to close window!\n\n")},
        {1309, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The upgrade file is too large: its image needs more than 65535 packets!\n\n")},
        {1101, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The group name holds characters this computer's code page cannot store!\n\n")},
        {1102, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The group file could not be saved; the groups stay as they were on disk!\n\n")},
        {1501, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The device NO must be a whole number from 1 to 2147483647!\n\n")},
        {1502, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The IP address must be one device's own address, not a broadcast, multicast or network address!\n\n")},
        {1503, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The subnet mask must be ones followed by zeros, such as 255.255.255.0!\n\n")},
        {1504, AULIRA_TRANSLATE_NOOP("aulira::Strings", "A device with this IP address is already in the list!\n\n")},
        {1505, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The MAC address cannot be all zeros!")},
        {1506, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The MAC address cannot be a broadcast or multicast address (its first byte must be even)!")},
        {1507, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The address book name is too long and cannot exceed 255 characters!\n\n")},
        {1508, AULIRA_TRANSLATE_NOOP("aulira::Strings", "The gateway cannot be a broadcast or multicast address!\n\n")},
    };
    auto it = table.find(id);
    return it == table.end() ? "" : translate("aulira::Strings", it->second);
}

std::string oneLine(const std::string& text)
{
    std::string out = text;
    std::erase_if(out, [](char c) { return c == '\n' || c == '\r'; });
    return out;
}

} // namespace aulira
