// The channel-role dialog answered as a user would: roles changed as told,
// then OK with the given bar fields (from 1), or Cancel.
#pragma once

#include <utility>
#include <vector>

#include "compose/conversion_material.h"
#include "compose/tune_structure.h"

namespace testing_support {

struct ScriptedRoleDialog : ChannelRoleDialogService {
    int Run(MidiF0Data&, TuneStructure& s, MaterialRange& range) override {
        ++runs;
        if (!ok) return 0;
        for (auto [c, role] : roles)
            s.role[static_cast<std::size_t>(c)] = role;
        range = RangeFromFields(start, end, s.barCount);
        return 1;
    }
    bool ok = true;
    std::vector<std::pair<int, int>> roles;
    int start = 1, end = 1000;
    int runs = 0;
};

}  // namespace testing_support
