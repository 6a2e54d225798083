// SPDX-License-Identifier: MIT
// The schema's migrations, compiled in from server/migrations/NNNN_name.sql by
// server/embed_migrations.cmake, in the order of their numbers.
#pragma once

#include <cstddef>

namespace enclova::server {

struct Migration {
  int Version;
  const char* Name;
  const char* Sql;
};

extern const Migration kMigrations[];
extern const std::size_t kMigrationCount;

}  // namespace enclova::server
