#pragma once
// The SQLite database the benchmarks read: one file made from a script once per program run, in a
// folder that lives as long as the program. The row count comes from ORVENA_BENCH_ROWS.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/temp_dir.h"

namespace orvena::bench {

inline size_t bench_rows(size_t fallback) {
  const char* env = std::getenv("ORVENA_BENCH_ROWS");
  return env ? std::strtoull(env, nullptr, 10) : fallback;
}

// "CREATE TABLE t (columns); INSERT INTO t SELECT <row from x>" over x = 1 .. rows.
inline std::filesystem::path make_bench_database(const std::string& columns, const std::string& row,
                                                 size_t rows) {
  static core::TempDir dir;
  std::filesystem::path f = dir.path() / "bench.sqlite";
  sqlite3* db = nullptr;
  sqlite3_open(f.c_str(), &db);
  std::string sql = "CREATE TABLE t (" + columns +
                    ");"
                    "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c LIMIT " +
                    std::to_string(rows) + ") INSERT INTO t SELECT " + row + " FROM c;";
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "cannot build the benchmark database: %s\n", error ? error : "?");
    std::exit(1);
  }
  sqlite3_close(db);
  return f;
}

}  // namespace orvena::bench
