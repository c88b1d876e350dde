#pragma once

#include <array>
#include <optional>

namespace trimora::app {

// The seven thread priority levels a user can choose, stored with the Windows
// numbers and applied on other systems as the calling thread's nice value.
struct PriorityLevel {
    int Level;
    int NiceValue;
    const char* Name;  // as the options dialog labels it
};

inline constexpr std::array<PriorityLevel, 7> PriorityLevels = {{
    {-15, 19, "Idle"},
    {-2, 10, "Lowest"},
    {-1, 5, "Below Normal"},
    {0, 0, "Normal"},
    {1, -5, "Above Normal"},
    {2, -10, "Highest"},
    {15, -20, "Time Critical"},
}};

// The entry of a stored level; none for a number that is not a level.
const PriorityLevel* FindPriorityLevel(int level);

// The level whose nice value is nearest to this one (the lower level on a tie).
int LevelOfNiceValue(int niceValue);

// Gives the calling thread the priority of a level. Answers false when the
// level is unknown or the system refused (raising priority needs privileges);
// a refusal is not an error worth a message.
bool ApplyThreadPriority(int level);

// The calling thread's priority as a level.
int CurrentThreadPriority();

}  // namespace trimora::app
