-- SPDX-License-Identifier: MIT
-- Players, the replays that prove their records, and each player's best time per level.

CREATE TABLE players (
  id bigserial PRIMARY KEY,
  name text NOT NULL UNIQUE CHECK (char_length(name) BETWEEN 1 AND 24),
  -- SHA-256 of the token that owns the name; the token itself is never kept.
  token_sha256 text NOT NULL CHECK (token_sha256 ~ '^[0-9a-f]{64}$'),
  created timestamptz NOT NULL DEFAULT now()
);

-- A replay is kept once, named by the SHA-256 of its bytes; the same play under another date
-- or beside another local ranking is the same round.
CREATE TABLE replays (
  sha256 text PRIMARY KEY CHECK (sha256 ~ '^[0-9a-f]{64}$'),
  round_sha256 text NOT NULL UNIQUE CHECK (round_sha256 ~ '^[0-9a-f]{64}$'),
  body bytea NOT NULL
);

CREATE TABLE records (
  -- Submission order: ties in time go to the smaller id.
  id bigserial PRIMARY KEY,
  player_id bigint NOT NULL REFERENCES players (id),
  replay_sha256 text NOT NULL UNIQUE REFERENCES replays (sha256),
  level integer NOT NULL CHECK (level BETWEEN 1 AND 10),
  time_score integer NOT NULL CHECK (time_score >= 0),
  seed bigint NOT NULL CHECK (seed BETWEEN 0 AND 4294967295),
  recorded text NOT NULL,
  recorded_day date NOT NULL,
  submitted timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX records_by_player ON records (player_id, id);
CREATE INDEX records_by_day ON records (recorded_day, level, player_id, time_score, id);

-- Each player's best record per level, kept in the transaction that adds a record: the row
-- lock of the upsert orders concurrent submissions of one player, so the best always wins. It
-- repeats what a listing shows of the record, so a listing reads this table alone.
CREATE TABLE best (
  level integer NOT NULL,
  player_id bigint NOT NULL REFERENCES players (id),
  time_score integer NOT NULL,
  record_id bigint NOT NULL UNIQUE REFERENCES records (id),
  name text NOT NULL,
  recorded text NOT NULL,
  replay_sha256 text NOT NULL,
  submitted timestamptz NOT NULL,
  PRIMARY KEY (level, player_id)
);
CREATE INDEX best_ranking ON best (level, time_score, record_id);

-- Submissions counted per key (an address, a token's digest) and minute, refused ones too.
CREATE TABLE submission_counts (
  key text NOT NULL,
  minute timestamptz NOT NULL,
  count integer NOT NULL,
  PRIMARY KEY (key, minute)
);
CREATE INDEX submission_counts_by_minute ON submission_counts (minute);
