#pragma once
// The program's string table: user-visible texts by number, as the devices'
// installers know them. Texts may end in line feeds; message boxes show them
// as stored, one-line displays drop them (see oneLine()).
#include <string>

namespace aulira {

enum StringId : int {
    IDS_APP_TITLE = 101,
    IDS_ADD_DEVICE = 102,
    IDS_EDIT_DEVICE = 103,
    IDS_ENTER_DEVICE_NO = 104,
    IDS_DEVICE_NO_DUPLICATE = 105,
    IDS_ENTER_DEVICE_NAME = 106,
    IDS_ENTER_IP = 107,
    IDS_ENTER_MASK = 108,
    IDS_EDIT_GROUP = 109,
    IDS_ADD_GROUP = 110,
    IDS_GROUP_NO_ERROR = 111,
    IDS_GROUP_NO_EXISTS = 112,
    IDS_GROUP_NAME_EMPTY = 113,
    IDS_GROUP_NAME_TOO_LONG = 114,
    IDS_TAB_BROADCAST_GROUP = 115,
    IDS_TAB_BROADCAST_DEVICE = 116,
    IDS_TAB_INTERCOM_DEVICE = 117,
    IDS_COL_NO = 120,
    IDS_COL_NAME = 121,
    IDS_COL_DEVICE_TYPE = 126,
    IDS_COL_IP = 127,
    IDS_COL_LOCATION = 129,
    IDS_LOCATION_LOCAL = 130,
    IDS_LOCATION_BOOK = 131,
    IDS_COL_FIRMWARE = 151,
    IDS_COL_STATUS = 387,
    IDS_COL_SERVER_IP = 388,
    IDS_COL_DEVICE_STATUS = 389,
    IDS_DEVICE_NAME_OVER_15 = 170,
    IDS_USER_NAME_OVER_15 = 175,
    IDS_ENTER_GATEWAY = 366,
    IDS_MAC_INCORRECT = 367,
    IDS_NO_GROUP_SELECTED = 381,
    IDS_GROUP_DOWNLOADING = 382,
    IDS_NO_GROUPING = 383,
    IDS_NO_ADAPTER_INFO = 390,
    IDS_WORKSTATE_OFFLINE = 391, // 391..398: the activity words 0..7
    IDS_FOUND_DEVICE = 399,
    IDS_SEARCH_COMPLETED = 400,
    IDS_NO_LOCAL_ADAPTER = 401,
    IDS_LOCAL_NETWORK_CARD = 402,
    IDS_SELECT_TO_DELETE = 403,
    IDS_NO_ADDRESS_BOOK = 406,
    IDS_NO_NAME_SKIP = 407,
    IDS_DUPLICATE_ADDRESS = 408,
    IDS_COL_DEVICE_NAME = 409,
    IDS_ONLINE = 410,
    IDS_OUTPUT = 411,
    // Texts of this program's own that have no older number.
    IDS_DEVICE_NAME_TOO_LONG = 1001,
    IDS_DEVICE_NAME_NOT_ENCODABLE = 1002,
    IDS_PASSWORD_OVER_15 = 1003,
    IDS_FAILURE_DELAY_OVER_255 = 1004,
    IDS_USER_NAME_NOT_ENCODABLE = 1005,
    IDS_PASSWORD_NOT_ENCODABLE = 1006,
    IDS_GROUP_NAME_NOT_ENCODABLE = 1101,
    IDS_GROUP_FILE_NOT_SAVED = 1102,
};

// The text of a string table entry (UTF-8); empty for an unknown number.
const char* stringText(int id);

// The text as a one-line display shows it: line feeds and carriage returns removed.
std::string oneLine(const std::string& text);

} // namespace aulira
