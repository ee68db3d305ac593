#include <gtest/gtest.h>

#include <functional>

#include "devices/DeviceList.h"
#include "devices/DeviceRules.h"
#include "shell/Log.h"
#include "support/TestUtil.h"

using namespace aulira;
using namespace aulira::test;

namespace {

// Records what the list reports, the way a view would follow it.
struct Recorder : DeviceListListener {
    std::vector<std::string> events;
    void deviceInserted(const DeviceItemPtr& i, bool top) override
    {
        events.push_back((top ? "top " : "end ") + formatIp(i->ip));
    }
    void deviceChanged(const DeviceItemPtr& i) override { events.push_back("changed " + formatIp(i->ip)); }
    void deviceRemoved(const DeviceItemPtr& i) override { events.push_back("removed " + formatIp(i->ip)); }
    void listCleared() override { events.push_back("cleared"); }
};

class DeviceListTest : public ::testing::Test {
protected:
    DeviceListTest() { list.addListener(&rec); }
    DeviceList list{[](std::uint32_t a, std::uint32_t m) { return (a & m) == (ip("10.0.0.0") & m); }};
    Recorder rec;
    LogRecorder log;

    int merge(const DeviceInfo_Type& info, const char* adapter = "10.0.0.100")
    {
        auto bytes = searchReply(info);
        return list.mergeSearchReply(adapter, bytes);
    }
};

} // namespace

TEST_F(DeviceListTest, NewRepliesAreAddedOnceInStateZero)
{
    EXPECT_EQ(1, merge(deviceInfo(1, "10.0.0.5", 5)));
    // The same device again (a second reply, or seen through a second adapter) adds nothing.
    EXPECT_EQ(0, merge(deviceInfo(1, "10.0.0.5", 5), "10.0.0.101"));
    auto items = list.snapshot();
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(STATE_FOUND, items[0]->state);
    EXPECT_EQ(1u, items[0]->searchOnly);
    EXPECT_EQ(-1, items[0]->paraExt);
    EXPECT_EQ("10.0.0.100", items[0]->localIp);
    EXPECT_EQ((std::vector<std::string>{"end 10.0.0.5"}), rec.events);
    // Every byte of the address is printed.
    EXPECT_EQ((std::vector<std::string>{"Found device\n\n:10.0.0.5"}), log.lines());
    const auto cols = deviceColumns(*items[0]);
    EXPECT_EQ("Online", cols[0]);
    EXPECT_EQ("Local Network", cols[9]);
    EXPECT_EQ("Idle", cols[8]);
}

TEST_F(DeviceListTest, CorruptAndShortRepliesAreDropped)
{
    auto bytes = searchReply(deviceInfo(1, "10.0.0.5", 5));
    bytes[30] ^= 0xFF;
    EXPECT_EQ(0, list.mergeSearchReply("10.0.0.100", bytes));
    bytes = searchReply(deviceInfo(1, "10.0.0.5", 5));
    EXPECT_EQ(0, list.mergeSearchReply("10.0.0.100", ConstBytes(bytes).first(bytes.size() - 1)));
    EXPECT_EQ(0, list.mergeSearchReply("10.0.0.100", ConstBytes(bytes).first(6)));
    EXPECT_EQ(0u, list.size());
}

TEST_F(DeviceListTest, ShortPayloadLeavesTheRestZero)
{
    auto info = deviceInfo(9, "10.0.0.9", 9);
    info.setModelName("Ceiling");
    auto bytes = searchReply(info, 120); // up to and including the group numbers' first bytes
    ASSERT_EQ(1, list.mergeSearchReply("10.0.0.100", bytes));
    const auto& got = list.snapshot()[0]->devItem;
    EXPECT_EQ(9, got.devNo());
    EXPECT_EQ("", got.modelName());
    // The type column then shows the model's family.
    EXPECT_EQ("IP Terminal", got.deviceType());
}

TEST_F(DeviceListTest, SavedDeviceFoundAgainTurnsOnlineAndTakesTheNewRecord)
{
    merge(deviceInfo(1, "10.0.0.5", 5, "Old name"));
    ASSERT_TRUE(list.addSelected(list.snapshot()));
    auto item = list.snapshot()[0];
    EXPECT_EQ(STATE_SAVED_FOUND, item->state);
    EXPECT_TRUE(list.listModified());
    // Pretend it was reloaded from the file.
    item->state = STATE_LOCAL_OFFLINE;
    EXPECT_EQ(0, merge(deviceInfo(1, "10.0.0.5", 5, "New name"), "10.0.0.101"));
    EXPECT_EQ(STATE_SAVED_FOUND, item->state);
    EXPECT_EQ("New name", item->devItem.devName());
    EXPECT_EQ("10.0.0.101", item->localIp);
    EXPECT_EQ("Address Book", deviceColumns(*item)[9]);
}

TEST_F(DeviceListTest, ADeviceThatChangedItsAddressIsListedTwice)
{
    merge(deviceInfo(1, "10.0.0.5", 5));
    list.addSelected(list.snapshot());
    list.snapshot()[0]->state = STATE_LOCAL_OFFLINE;
    EXPECT_EQ(1, merge(deviceInfo(1, "10.0.0.6", 5)));
    auto items = list.snapshot();
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ(STATE_LOCAL_OFFLINE, items[0]->state);
    EXPECT_EQ(STATE_FOUND, items[1]->state);
    EXPECT_EQ(1, list.countOnline());
}

TEST_F(DeviceListTest, AddOnlyTakesSearchResults)
{
    merge(deviceInfo(1, "10.0.0.5", 5));
    merge(deviceInfo(2, "10.0.0.6", 6));
    auto items = list.snapshot();
    list.addSelected({items[0]});
    rec.events.clear();
    // A selection of listed devices only: nothing changes, the caller opens the manual entry.
    EXPECT_FALSE(list.addSelected({items[0]}));
    EXPECT_TRUE(rec.events.empty());
    list.setListModified(false);
    list.addAllFound();
    EXPECT_EQ(STATE_SAVED_FOUND, items[1]->state);
    EXPECT_TRUE(list.listModified());
}

TEST_F(DeviceListTest, DeleteByState)
{
    merge(deviceInfo(1, "10.0.0.1", 1)); // stays 0
    merge(deviceInfo(2, "10.0.0.2", 2)); // 1 -> 0
    auto items = list.snapshot();
    list.addSelected({items[1]});
    DeviceEntry e{"3", "Remote", ip("172.16.0.3"), ip("255.255.255.0")};
    auto remote = newManualDevice(e);
    list.insertManual(remote);
    EXPECT_EQ(STATE_REMOTE_OFFLINE, remote->state);
    EXPECT_EQ(remote, list.snapshot().front());

    EXPECT_FALSE(list.deleteItems({}));
    list.setListModified(false);
    rec.events.clear();
    ASSERT_TRUE(list.deleteItems({items[0], items[1], remote}));
    EXPECT_EQ(STATE_FOUND, items[0]->state);
    EXPECT_EQ(STATE_FOUND, items[1]->state);
    EXPECT_EQ(1u, items[1]->searchOnly);
    EXPECT_EQ("Local Network", deviceColumns(*items[1])[9]);
    EXPECT_EQ(2u, list.size());
    EXPECT_TRUE(list.listModified());
    EXPECT_EQ((std::vector<std::string>{"changed 10.0.0.2", "removed 172.16.0.3"}), rec.events);
    // The removed entry stays valid for whoever still holds it.
    EXPECT_EQ(3, remote->devItem.devNo());
}

TEST_F(DeviceListTest, SortingByColumn)
{
    auto withStatus = [](DeviceInfo_Type r, std::uint16_t work, const char* server) {
        r.setWorkState(work);
        r.setServerIp(ip(server));
        return r;
    };
    merge(withStatus(deviceInfo(3, "10.0.0.9", 3, "b"), 3, "10.0.1.11"));
    merge(withStatus(deviceInfo(1, "10.0.1.200", 1, "c"), 1, "10.0.0.5"));
    merge(withStatus(deviceInfo(2, "10.0.0.10", 2, "a"), 2, "10.0.0.200"));
    auto rows = list.snapshot();
    SortState s;
    auto nos = [&] {
        std::vector<int> v;
        for (auto& r : rows)
            v.push_back(r->devItem.devNo());
        return v;
    };
    // Addresses by value, first byte first: 10.0.0.9 < 10.0.0.10 < 10.0.1.200.
    const struct {
        int column;
        std::vector<int> order;
    } cases[] = {
        {2, {3, 2, 1}}, {2, {1, 2, 3}}, // a second sort of the column reverses it
        {7, {1, 2, 3}},                  // server 10.0.0.5 < 10.0.0.200 < 10.0.1.11
        {8, {1, 2, 3}},                  // Idle, Realtime playing, Calling
        {4, {2, 3, 1}},                  // by name
    };
    for (const auto& c : cases) {
        s.sort(rows, c.column);
        EXPECT_EQ(c.order, nos()) << "column " << c.column;
    }
    EXPECT_EQ(4, s.sortColumn);
    // Column 0 keeps the order.
    auto before = rows;
    s.sort(rows, 0);
    EXPECT_EQ(before, rows);
}

TEST_F(DeviceListTest, DeviceTypeIsOneTextPerModel)
{
    const struct {
        const char* modelText;
        const char* modelName;
        const char* shown;
    } cases[] = {
        {"KS-530D", "", "Call Station"},       // no name reported: the family of the model
        {"KS-530A", "Call Station", "Call Station"},
        {"KP-4420", "", "IP Terminal"},
        {"KC-2020", "", "Audio Converter"},
        {"KP-4430", "Horn Terminal", "Horn Terminal"}, // the name the device reports wins
        {"ZX-100", "", "ZX-100"},              // an unknown family: the model text
    };
    for (const auto& c : cases) {
        DeviceInfo_Type r = deviceInfo(1, "10.0.0.5", 5);
        r.setModelText(c.modelText);
        r.setModelName(c.modelName);
        EXPECT_EQ(c.shown, r.deviceType()) << c.modelText;
    }
}

TEST_F(DeviceListTest, KeepSavedOnlyIsAReloadFromMemory)
{
    merge(deviceInfo(1, "10.0.0.5", 5));
    merge(deviceInfo(2, "10.0.0.6", 6));
    merge(deviceInfo(3, "10.0.0.7", 7));
    auto items = list.snapshot();
    ASSERT_TRUE(list.addSelected({items[0], items[2]}));
    items[2]->devItem.setWorkState(3);
    auto remote = newManualDevice(DeviceEntry{"9", "Far", ip("172.16.0.9"), ip("255.255.255.0")});
    list.insertManual(remote);
    rec.events.clear();

    list.keepSavedOnly();
    const auto kept = list.snapshot();
    ASSERT_EQ(3u, kept.size());
    // The same entries in list order: search results gone, the rest offline
    // as a loaded file would show them, the change still to be saved.
    EXPECT_EQ(remote, kept[0]);
    EXPECT_EQ(items[0], kept[1]);
    EXPECT_EQ(items[2], kept[2]);
    EXPECT_EQ(STATE_REMOTE_OFFLINE, kept[0]->state);
    EXPECT_EQ(STATE_LOCAL_OFFLINE, kept[1]->state);
    EXPECT_EQ(0, kept[2]->devItem.workState());
    EXPECT_TRUE(list.listModified());
    EXPECT_EQ((std::vector<std::string>{"cleared", "end 172.16.0.9", "end 10.0.0.5", "end 10.0.0.7"}), rec.events);
    // A search finds them again by address and MAC.
    EXPECT_EQ(0, merge(deviceInfo(1, "10.0.0.5", 5)));
    EXPECT_EQ(STATE_SAVED_FOUND, kept[1]->state);
}

TEST_F(DeviceListTest, EveryChangeToTheSavedPartIsCounted)
{
    merge(deviceInfo(1, "10.0.0.5", 5));
    const auto item = list.snapshot()[0];
    const auto manual = newManualDevice(DeviceEntry{"9", "Far", ip("172.16.0.9"), ip("255.255.255.0")});
    const struct {
        const char* what;
        std::function<void()> change;
        int counted;
    } cases[] = {
        {"search reply", [&] { merge(deviceInfo(2, "10.0.0.6", 6)); }, 0},
        {"add", [&] { list.addSelected({item}); }, 1},
        {"add again (nothing to add)", [&] { list.addSelected({item}); }, 0},
        {"manual add", [&] { list.insertManual(manual); }, 1},
        {"manual edit", [&] { list.editedManual(manual); }, 1},
        {"new identity of a saved entry", [&] { list.identityChanged(item); }, 1},
        {"delete", [&] { list.deleteItems({item}); }, 1},
        {"new identity of a search result", [&] { list.identityChanged(item); }, 0},
    };
    for (const auto& c : cases) {
        const auto before = list.changeCount();
        c.change();
        EXPECT_EQ(before + c.counted, list.changeCount()) << c.what;
    }
}
