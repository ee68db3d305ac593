#pragma once
// What the settings pages show for one parameter record, and the rules by
// which they store it back. The desktop sheet's pages are views over these
// values, and auctl edits the same values by field name, so both store a
// record the same way: the same clamps, the same refusals, the same bytes
// left alone.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "params/SysParaFields.h"
#include "params/SysParaOffsets.h"
#include "util/Bytes.h"

namespace aulira {

struct FieldValue {
    std::int64_t number = 0;          // numbers, flags and choices (0/1), list positions, addresses, targets
    std::string text;                 // texts (UTF-8), the firmware version, the MAC address
    std::string raw;                  // a text field's bytes as loaded, stored again while the text is unchanged
    std::vector<std::int64_t> groups; // the eight group numbers
    bool blank = false;               // an address control left incomplete
    bool operator==(const FieldValue&) const = default;
};

// A refusal while storing: the string-table message and the field it is about.
struct SaveRefusal {
    int stringId = 0;
    std::string_view field;
};

class SysParaSettings {
public:
    // Loads every page from a record of the given layout (paraExt != 0: 436).
    // Fields the layout lacks show the page's initial values.
    static SysParaSettings load(ConstBytes record, bool ext);

    bool ext() const { return ext_; }
    // Whether key 3 may take its "Intercom Status" mode: only one model has
    // it, so set() refuses it for any other. A record loaded for no known
    // device offers it.
    bool intercomStatusOffered() const { return intercomStatus_; }
    void setIntercomStatusOffered(bool offered) { intercomStatus_ = offered; }
    const FieldValue& value(std::size_t field) const { return values_[field]; }
    FieldValue& value(std::size_t field) { return values_[field]; }
    const FieldValue& value(std::string_view name) const;
    FieldValue& value(std::string_view name);

    // Sets a field from text as a user would type it (list texts or positions,
    // addresses, numbers, yes/no). Returns an error sentence, empty on success.
    std::string set(std::string_view name, std::string_view text);

    // Stores one page into the record. Clamped values are written back into
    // the settings, as the page shows them after saving. Fields stored before
    // a refused one stay stored.
    std::optional<SaveRefusal> savePage(SysParaPage page, Bytes record);
    // The sheet's Save: the basic page first, then every other page in order;
    // the first refusal stops it.
    std::optional<SaveRefusal> save(Bytes record);

    // The value as text: list entries by their text, addresses dotted, targets
    // by the type their block gives them.
    std::string display(std::size_t field) const;

private:
    bool ext_ = true;
    bool intercomStatus_ = true;
    std::vector<FieldValue> values_;
};

// The model whose key 3 has the "Intercom Status" mode, compared on the first
// seven bytes of a device's model text.
inline constexpr std::string_view kIntercomStatusModel = "KP-4410";
bool offersIntercomStatus(std::string_view modelText);
// The position of "Intercom Status" in key 3's mode list.
inline constexpr std::int64_t kKey3IntercomStatus = 3;

// Reads one field from a record as the pages show it.
FieldValue readField(const SysParaField& f, ConstBytes record, bool ext);

// The addresses a record must hold so that the device stays reachable after
// a write, checked on an import and on the sheet's Save alike: an address and
// a mask (0.0.0.0 counts as blank), a contiguous mask, an address of the
// device's own (not broadcast, multicast or its subnet's network address),
// and a gateway and servers that are not group addresses. A zeroed record is
// refused at its address.
std::optional<SaveRefusal> checkReachableAddresses(const SysParaSettings& settings);

// The message for a refused save, as the page shows it.
std::string refusalText(const SaveRefusal& r);

// A field-by-field comparison of two records of one layout: the names of the
// fields whose bytes differ, and how many other (uninterpreted) bytes differ.
struct RecordDiff {
    std::vector<std::size_t> fields;
    std::size_t otherBytes = 0;
};
RecordDiff diffRecords(ConstBytes before, ConstBytes after, bool ext);

} // namespace aulira
