-- SPDX-License-Identifier: MIT
-- The daily board lists only rounds played on the day's own seed, recorded that day.
CREATE INDEX records_by_daily_seed ON records (recorded_day, seed, level, player_id, time_score, id);
DROP INDEX records_by_day;
