#include "shell/Strings.h"

#include <algorithm>
#include <map>

namespace aulira {

const char* stringText(int id)
{
    static const std::map<int, const char*> table = {
        {101, "Aulira Configuration Tool (AUCT)\n\n"},
        {102, "Add Device"},
        {103, "Edit Device"},
        {104, "Please enter the correct device NO\xEF\xBC\x81"},
        {105, "Device NO is duplicate!\n\n"},
        {106, "Please enter a device name!\n\n"},
        {107, "Please enter the correct IP address!\n\n"},
        {108, "Please enter the correct subnet mask!\n\n"},
        {109, "Edit Group"},
        {110, "Add Group"},
        {111, "Group NO setting error!\n\n"},
        {112, "Group NO already exists, please re-enter!\n\n"},
        {113, "Group name cannot be empty!\n\n"},
        {114, "The group name is too long and cannot exceed 15 bytes!\n\n"},
        {115, "Broadcast Group\n\n"},
        {116, "Broadcast Device\n\n"},
        {117, "Intercom Device"},
        {120, "NO"},
        {121, "Name"},
        {126, "Device Type"},
        {127, "IP Address"},
        {129, "Location"},
        {130, "Local Network"},
        {131, "Address Book"},
        {132, "Confirm deletion of address book\n\n"},
        {133, "Delete address book"},
        {134, "Complete"},
        {135, "No address book selected!\n\n"},
        {136, "No device selected for download!\n\n"},
        {137, "Address book size exceeds capacity!\n\n"},
        {138, "Successfully downloaded the address book!\n\n"},
        {139, "Downloading address book, unable to close!\n\n"},
        {177, "The address book has been successfully cleared!"},
        {384, "The address book name cannot be empty!\n\n"},
        {385, "An address book with that name already exists!\n\n"},
        {404, "Add address book wizard\n\n"},
        {405, "Add Address Book\n\n"},
        {418, "No group or device selected!\n\n"},
        {151, "Firmware Version"},
        {157, "Operation Records\n\n"},
        {158, "Device Properties"},
        {176, "Failed to start email client, please contact us via email support@aulira.example."},
        {57345, "Be Ready"},
        {170, "The length of the device name cannot exceed 15 bytes!"},
        {175, "The length of the user name cannot exceed 15 bytes!"},
        {366, "Please enter a gateway!\n\n"},
        {367, "The MAC address entered is incorrect!"},
        {381, "No group selected\n\n"},
        {382, "Downloading group information, cannot close!\n\n"},
        {383, "No device grouping!\n\n"},
        {387, "Status"},
        {388, "Server IP"},
        {389, "Device Status"},
        {390, "Failed to get the local network card!\n\n"},
        {391, "Offline"},
        {392, "Idle"},
        {393, "Realtime playing.."},
        {394, "Calling.."},
        {395, "Recording.."},
        {396, "Alarm.."},
        {397, "Local playing.."},
        {398, "TTS playing.."},
        {399, "Found device\n\n"},
        {400, "Search for audio devices completed, total number of devices found"},
        {401, "Local network card not found!\n\n"},
        {402, "Local network card"},
        {403, "Please select the address to delete for this device!\n\n"},
        {406, "No address book has been set. Please create an address book first!"},
        {407, "No name set. Are you sure to skip checking?\n\n"},
        {408, "Detected duplicate IP address, please modify and continue!\n\n "},
        {409, "Device Name"},
        {410, "Online"},
        {411, "Output"},
        {1001, "The device name is too long and cannot exceed 31 bytes!\n\n"},
        {1002, "The device name holds characters this computer's code page cannot store!\n\n"},
        {1003, "The length of the password cannot exceed 15 bytes!"},
        {1004, "The signal failure delay cannot exceed 255 seconds!"},
        {1005, "The user name holds characters this computer's code page cannot store!\n\n"},
        {1006, "The password holds characters this computer's code page cannot store!\n\n"},
        {1301, "Upgrade progress"},
        {1302, "Failed to get file information!\n\n"},
        {1303, "Failed to open file!\n\n"},
        {1304, "Non upgrade file!\n\n"},
        {1305, "File length error!\n\n"},
        {1306, "Please select the upgraded device!\n\n"},
        {1307, "Upgrade completed!\n\n"},
        {1308, "Upgrading firmware, unable to close window!\n\n"},
        {1309, "The upgrade file is too large: its image needs more than 65535 packets!\n\n"},
        {1101, "The group name holds characters this computer's code page cannot store!\n\n"},
        {1102, "The group file could not be saved; the groups stay as they were on disk!\n\n"},
    };
    auto it = table.find(id);
    return it == table.end() ? "" : it->second;
}

std::string oneLine(const std::string& text)
{
    std::string out = text;
    std::erase_if(out, [](char c) { return c == '\n' || c == '\r'; });
    return out;
}

} // namespace aulira
