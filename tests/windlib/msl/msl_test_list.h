// A list without a window for the tests that need no X server: it keeps its rows,
// selection and callbacks like any list and simply draws nothing.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "windlib/msl/mscrolllist.h"

class DetachedList : public ::testing::Test {
protected:
    void TearDown() override {
        if (list) gitemDelete(list);
    }

    MScrollList* Make(int columns = 1, int extended = 0, int rowMode = 1,
                      const char* const* titles = nullptr, int textMode = 0) {
        list = mslCreate(nullptr, 0, 0, 200, 100, nullptr, titles, nullptr, extended, rowMode, 0,
                         columns, 0, nullptr, nullptr, nullptr, nullptr, 3, textMode, 1);
        return list;
    }

    // Rows "row 0" .. "row n-1" in column 0.
    void Fill(int n) {
        for (int r = 0; r < n; ++r) {
            std::string text = "row " + std::to_string(r);
            const char* texts[] = {text.c_str()};
            mslAddLine(list, -1, nullptr, texts, 1, 0, nullptr);
        }
    }

    std::string Cell(int row, int column = 0) {
        const char* text = mslGetCell(list, row, column);
        return text ? text : "<null>";
    }

    MScrollList* list = nullptr;
};
