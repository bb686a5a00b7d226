// Names the instances of a table-driven test after the rows' own "name".
#pragma once

#include <gtest/gtest.h>

#include <string>

struct RowName {
    template <typename Row>
    std::string operator()(const testing::TestParamInfo<Row>& row) const
    {
        return row.param.name;
    }
};
