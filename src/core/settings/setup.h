#pragma once

#include <QString>
#include <span>
#include <variant>

namespace lorvanta {

class TMemIniFile;

// Every setting of the [Setup] section, as one member per key. The members,
// their types, defaults and written order all come from setupkeys.inc, the
// single declaration of the settings.
#define LV_SETUP_Int int
#define LV_SETUP_Bool bool
#define LV_SETUP_String QString
#define LV_SETUP_Float double

struct Setup {
#define SETUP_KEY(name, type, def, owner, flag) LV_SETUP_##type name{};
#include "setupkeys.inc"
#undef SETUP_KEY

    // Every member as reading a file without a [Setup] section gives it:
    // the table defaults and the values derived from them.
    Setup();
};

enum class SetupType { Int, Bool, String, Float };

// Given: the default is the documented one. Chosen: nobody documented one,
// this project picked it. Derived: when the file lacks the key, its default is
// worked out from other keys at load. Legacy: read from old files, never written.
enum class SetupFlag { Given, Chosen, Derived, Legacy };

struct SetupKeyDef {
    const char16_t* name;
    SetupType type;
    const char16_t* defaultText; // as it would stand in the file
    const char* owner;           // the subsystem the key configures
    SetupFlag flag;
    std::variant<int Setup::*, bool Setup::*, QString Setup::*, double Setup::*> member;
};

// Written keys in their written order, then the legacy keys.
std::span<const SetupKeyDef> setupKeys();
const SetupKeyDef* findSetupKey(QStringView name);

// Reads every key with its table default, then works out the derived values.
void ReadSetup(const TMemIniFile& ini, Setup& setup);
// Writes every written key in order; `version` always as the current file
// version and `uselist` always as 1.
void WriteSetup(TMemIniFile& ini, const Setup& setup);

// `autoindex` as the index reads it: -1 stands for 1 ("only on startup")
// with `noindexrefresh`, else 3 ("on startup and on focus").
int resolvedAutoIndex(const Setup& setup);

// The file version this program writes.
inline constexpr int kSettingsVersion = 20502;
inline constexpr char16_t kSetupSection[] = u"Setup";

// The value of a key as text, the way the file stores it.
QString setupValueText(const Setup& setup, const SetupKeyDef& key);

} // namespace lorvanta
