#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vora {

/// How the pad plays.
enum class Mode { synth, control };
/// The stored form of a mode under "SavedMode": 1 for control, 0 for synth.
constexpr int storedValue(Mode m) { return m == Mode::control ? 1 : 0; }
/// A stored "SavedMode": 1 gives control, every other value synth.
constexpr Mode modeFromStored(long long value) { return value == 1 ? Mode::control : Mode::synth; }

/// The output preset: which of the six rows of mapping preferences is in use.
enum class Output { ableton = 0, bitwig = 1, rev2 = 2, user1 = 3, user2 = 4, user3 = 5 };
inline constexpr std::array<Output, 6> kAllOutputs{Output::ableton, Output::bitwig, Output::rev2,
                                                   Output::user1,   Output::user2,  Output::user3};
/// Display names of the outputs, indexed by raw value.
inline constexpr std::array<std::string_view, 6> outputNames{"Ableton", "Bitwig", "Rev2",
                                                             "User 1",  "User 2", "User 3"};

/// How much finger force gives full z.
enum class Sensitivity { low = 0, medium = 1, high = 2 };
inline constexpr std::array<Sensitivity, 3> kAllSensitivities{Sensitivity::low, Sensitivity::medium,
                                                              Sensitivity::high};

/// What a second finger does while the pad is already touched.
enum class NoteBehavior { legato, retrigger };
inline constexpr std::array<NoteBehavior, 2> kAllNoteBehaviors{NoteBehavior::legato,
                                                               NoteBehavior::retrigger};
/// The behaviour picker's options: the raw values in case order.
inline constexpr std::array<std::string_view, 2> noteBehaviorNames{"Legato", "Retrigger"};

/// The class of device, set once by the main screen when it loads.
enum class Platform { iphone_2d, iphone_3d, ipad, unknown };

/// The twelve mapping preferences of one output preset; the raw value indexes a row.
enum class prefList {
  synthChannel = 0,
  synthX = 1,
  synthY = 2,
  synthZ = 3,
  synthSpeed = 4,
  synthNote = 5,
  controlChannel = 6,
  controlX = 7,
  controlY = 8,
  controlZ = 9,
  controlSpeed = 10,
  controlGate = 11,
};
inline constexpr int kPrefCount = 12;
inline constexpr int kOutputCount = 6;
/// Every preference in raw order.
inline constexpr std::array<prefList, kPrefCount> kAllPrefs{
    prefList::synthChannel, prefList::synthX,    prefList::synthY,         prefList::synthZ,
    prefList::synthSpeed,   prefList::synthNote, prefList::controlChannel, prefList::controlX,
    prefList::controlY,     prefList::controlZ,  prefList::controlSpeed,   prefList::controlGate};

/// One preset row: twelve values indexed by prefList raw value.
using PrefRow = std::array<int, kPrefCount>;

// Factory rows.
inline constexpr PrefRow abletonPrefs{15, 116, 117, 120, 118, 60, 15, 116, 117, 120, 118, 119};
inline constexpr PrefRow rev2Prefs{0, 1, 2, 4, 9, 60, 0, 1, 2, 4, 9, 11};
inline constexpr PrefRow defaultPrefs{0, 113, 114, 117, 115, 60, 15, 116, 117, 120, 118, 119};

// Raw values, both ways. A raw value that names no case gives none.
constexpr int raw(Output o) { return static_cast<int>(o); }
constexpr int raw(Sensitivity s) { return static_cast<int>(s); }
constexpr int raw(prefList p) { return static_cast<int>(p); }
std::string_view raw(NoteBehavior b);
std::optional<Output> outputFromRaw(long long value);
std::optional<Sensitivity> sensitivityFromRaw(long long value);
std::optional<prefList> prefFromRaw(long long value);
std::optional<NoteBehavior> noteBehaviorFromRaw(std::string_view value);

/// Force scale of a sensitivity: 1.0, 0.66 or 0.33.
double forceScale(Sensitivity s);
/// Display name of an output ("User 2").
std::string_view displayName(Output o);
/// The factory row an output starts from.
const PrefRow& factoryRow(Output o);

// Case names as written in code ("user2", "iphone_2d", "controlX"), for scripts and dumps.
std::string_view caseName(Mode m);
std::string_view caseName(Output o);
std::string_view caseName(Sensitivity s);
std::string_view caseName(Platform p);
std::string_view caseName(prefList p);
std::optional<prefList> prefFromCaseName(std::string_view name);

/// One visual theme drawn behind the pad. Two looks are the same look when their ids are equal.
struct Look {
  std::string id;                             ///< fresh for every catalogue built; never stored
  std::string name;                           ///< display name, and the stored selection key
  std::string previewImage;                   ///< image resource name
  std::string shader;                         ///< shader resource name, without ".fsh"
  std::optional<std::string> feedbackShader;  ///< absent for a look without feedback

  friend bool operator==(const Look& a, const Look& b) { return a.id == b.id; }
};

/// A new random identifier in the textual UUID form (version 4).
std::string makeUuid();

}  // namespace vora
