// A stand-in presentation application for running the whole program in
// process: it answers the builder's conversation with plausible values and
// remembers what it was given.
#pragma once

#include <string>
#include <vector>

namespace app_test {

struct FakeRecord {
    std::vector<std::u16string> templates_opened;
    int blanks_added = 0;
    std::vector<std::u16string> viewer_data_paths;
    std::vector<std::u16string> saved_as;
    bool quit = false;
};

// The state shared by every object of the fake application.
struct FakeState {
    bool viewer_available = true;  // false: the OLE format holds no object
    FakeRecord record;
};

FakeState& State();

// Registers the fake as "PowerPoint.Application"; true.
bool RegisterFakePresentationApp();
void UnregisterFakePresentationApp();

}  // namespace app_test
