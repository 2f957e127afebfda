#pragma once

#include "db/UnitFBDB.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

// A GoogleTest suite with a database of its own on the test server, made
// before the suite's first test and dropped after its last; every test starts
// with db connected to it.
class DatabaseTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const ::testing::TestSuite* suite = ::testing::UnitTest::GetInstance()->current_test_suite();
        database = new TestDatabase(suite ? suite->name() : "db");
    }
    static void TearDownTestSuite() {
        delete database;
        database = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(database->ok()) << database->error();
        ASSERT_TRUE(database->connect(db)) << db.LastError();
    }

    static inline TestDatabase* database = nullptr;
    TFormFBDB db;
};
