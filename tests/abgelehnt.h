// Saves made after another program changed or deleted the row they show.
#pragma once

#include "masterdata/jahressummen.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace hmz::test {

// Each attempt must be refused as changed meanwhile, never saved.
inline void alleAbgelehnt(const std::vector<std::function<void()>>& versuche) {
    for (std::size_t i = 0; i < versuche.size(); ++i) {
        try {
            versuche[i]();
            ADD_FAILURE() << "attempt " << i << " saved over another program's change";
        } catch (const stamm::Ablehnung& a) {
            EXPECT_TRUE(a.geaendert && a.grund == stamm::GeaendertText) << i << ": " << qPrintable(a.grund);
        }
    }
}

}  // namespace hmz::test
