// The statistics registry as the program builds it from the default configuration, for the tests
// that resolve statistic codes.
#pragma once

#include "core/Config.h"
#include "stats/StatList.h"

namespace kivra::test {

struct TScriptRegistry {
  TScriptRegistry() {
    list.SetDraws(&draws);
    list.SetConfig(TConfigData{}, TShreddingConfig{});
    list.Build();
  }
  TDrawsArray draws;
  TStatList list;
};

}  // namespace kivra::test
