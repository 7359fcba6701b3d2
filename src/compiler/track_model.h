// The in-memory track model: the cells of the track (`percorso`), the plan
// geometry (`linea`) and the fixed table of stations and scenario parameters
// (`treno`). Records are plain structs with their fields in file order; the
// binary writer is the one place that knows their byte layout.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

namespace binario {

// One 50 m cell of the track. Cell k covers metres 50k .. 50k + 49.
struct Cella {
  uint8_t tipo = 0;  // kind of point object (CellKind), 0 = none
  int16_t valore1 = 0;
  int16_t valore2 = 0;
  int16_t valore3 = 0;
  int16_t valore4 = 0;
  uint8_t tempo = 0;        // signal time
  uint8_t ripetizione = 0;  // approach mark before a signal or a station stop
  uint8_t montagna = 0;     // mountain kind over a span
  uint8_t velocita = 0;     // speed limit / 5
  uint8_t pendenza = 0;     // gradient + 100
  uint8_t aderenza = 0;     // adhesion
};

// Values of `Cella::tipo`.
enum CellKind : uint8_t {
  kNone = 0,
  kSignal = 1,
  kSlowdownEnd = 2,
  kSlowdownStart = 3,
  kSlowdownWarning = 4,
  kCountdown = 5,
  kSpeedBoard = 6,
  kStationStop = 10,
  kMountainMarker = 11,
  kCodePoint = 12,
  kBareCodePoint = 13,
  kSignBoard = 14,
};

// What a cell of kind `tipo` holds, in words ("a speed board"), for messages.
std::string cell_kind_name(uint8_t tipo);
// The same without the article ("speed board").
std::string cell_kind_noun(uint8_t tipo);

// A cell is free for a placement when it holds nothing or only a mountain marker.
inline bool is_free(const Cella& c) {
  return c.tipo == kNone || c.tipo == kMountainMarker;
}

// One entry of the `treno` table: a station, a sign-board text or a reserved entry.
struct VoceTreno {
  uint8_t tipo = 0;
  int32_t inizio = 0;
  int32_t fine = 0;
  int32_t posizione = 0;
  uint8_t tps = 0;
  std::string nome;  // Windows-1252 bytes
  int16_t dato1 = 0;
  int16_t dato2 = 0;
  int16_t dato3 = 0;
  int16_t dato4 = 0;
  int16_t dato5 = 0;
  uint8_t opz1 = 0;
  uint8_t opz2 = 0;
  uint8_t opz3 = 0;
  uint8_t opz4 = 0;
  int32_t orario = 0;
};

// Entries of `treno`.
inline constexpr int kTrenoEntries = 87;
inline constexpr int kFirstBoardSlot = 80;  // sign-board texts count down from here
inline constexpr int kChainageTre = 81;
inline constexpr int kChainageDue = 82;
inline constexpr int kChainageUno = 83;
inline constexpr int kTrainParameters = 84;
inline constexpr int kScenarioEntry = 85;
inline constexpr int kTrainEntry = 86;

// Largest accepted line length in metres, and the run-out beyond the line's end.
inline constexpr int32_t kMaxLineLength = 1'000'000;
inline constexpr int32_t kRunOut = 7000;

// Type tags of the tagged values in the geometry file.
enum class Tag : uint16_t { kEmpty = 0, kInteger = 2, kDouble = 5 };

// The plan geometry: one point per metre, k = 0 .. last(). Points 0 and 1 are
// the Integer seed (0,0), (0,1); the points 2 .. filled() - 1 are Doubles;
// every later point is empty. The tag of a point therefore follows from how
// far the geometry got.
//
// The coordinates are not held: a 1,000,000 m line would hold 16 MB of them,
// and first touching that memory costs about as much as writing the whole
// geometry file. The geometry keeps instead how its points are made — runs of
// points that each continue the two before it, straight on or turned by a
// curvature, and points given outright — a few kilobytes for a long line, and
// makes the points again, in order and to the last bit, whenever they are read
// (for_each_point). The writer reads them twice, once per coordinate.
class Linea {
 public:
  struct Point {
    double x = 0;
    double y = 0;
  };

  // Makes room for points 0 .. last, all empty.
  void allocate(int32_t last);
  bool allocated() const { return allocated_; }
  int32_t last() const { return last_; }
  size_t points() const { return allocated_ ? static_cast<size_t>(last_) + 1 : 0; }

  // Stores the Integer seed: point 0 = (0, 0), point 1 = (0, 1).
  void seed();
  // Number of points holding a value (0, or 2 and more once seeded).
  size_t filled() const { return filled_; }
  // Appends the next point, given outright; the caller keeps filled() <= points().
  void push(double x, double y);
  // Appends the points filled() .. through, each continuing the two before it
  // (filled() >= 2): straight on (d0, d1 the step from the point before last
  // to the last), x1 + d0, y1 + d1; or, `turn`, by the curvature `kappa`,
  // x1 + (d0 + kappa d1), y1 + (d1 - kappa d0). The caller keeps through <
  // points().
  void extend(size_t through, bool turn, double kappa);

  Tag tag(size_t k) const {
    if (k >= filled_) return Tag::kEmpty;
    return k < 2 ? Tag::kInteger : Tag::kDouble;
  }

  // Makes the points again, in order, a block at a time.
  class Walker {
   public:
    explicit Walker(const Linea& linea) : linea_(linea) {}
    // Makes the next points, at most `most`, into xs[0 ..] and ys[0 ..];
    // returns how many (0 once every point was made).
    size_t next(double* xs, double* ys, size_t most);

   private:
    const Linea& linea_;
    size_t run_ = 0;                            // the run of the next point
    size_t k_ = 0;                              // the next point
    size_t given_ = 0;                          // the next point of given_
    double x0_ = 0, y0_ = 0, x1_ = 0, y1_ = 0;  // the two points before it
  };

  // Calls visit(x, y) for the points 0 .. filled() - 1, in order.
  template <typename Visit>
  void for_each_point(Visit&& visit) const {
    constexpr size_t kBlock = 512;
    double xs[kBlock];
    double ys[kBlock];
    Walker walker(*this);
    for (size_t n = 0; (n = walker.next(xs, ys, kBlock)) > 0;) {
      for (size_t i = 0; i < n; ++i) visit(xs[i], ys[i]);
    }
  }
  // The points 0 .. filled() - 1.
  std::vector<Point> coordinates() const;

 private:
  enum class Make : uint8_t { kGiven, kStraight, kTurn };
  // Points up to (not including) `end`: for kGiven the next ones of given_,
  // else each made from the two before it.
  struct Run {
    double kappa = 0;
    uint32_t end = 0;
    Make make = Make::kGiven;
  };

  bool allocated_ = false;
  int32_t last_ = 0;
  size_t filled_ = 0;
  std::vector<Run> runs_;
  std::vector<Point> given_;
};

// Who placed the point object of a cell: a record of one of the two
// descriptions, or the signal-code pass. Kept beside the cells so that a clash
// can say where the object already there came from; the binary files never
// carry it.
enum class Placer : uint8_t { kUnknown, kLineText, kTrainText, kSignalCodePass };

struct CellOrigin {
  Placer by = Placer::kUnknown;
  int32_t line = 0;  // line of the record's keyword in its description
  // For a code point of the signal-code pass: the cell of the slowdown's
  // object (warning board, start or end) that made the pass place it, whose
  // own origin is the record an author wrote; -1 otherwise.
  int32_t cause = -1;
  // Where the record's keyword stands on its line: its first and last byte
  // (1-based); 0 when not known.
  int32_t column = 0;
  int32_t last_column = 0;
};

struct TrackModel {
  std::vector<Cella> percorso;      // cells 0 .. U; empty until the line length is read
  std::vector<CellOrigin> origins;  // beside `percorso`: who placed each cell's object
  Linea linea;
  std::array<VoceTreno, kTrenoEntries> treno{};
  int32_t lunghezza_totale = 0;  // L + 7000
  int32_t numero_cartelli = 0;   // sign-board texts stored in `treno` 80, 79, … downward

  bool built() const { return !percorso.empty(); }
  // Last cell index U.
  int32_t last_cell() const { return static_cast<int32_t>(percorso.size()) - 1; }
  bool in_cells(int64_t j) const { return j >= 0 && j < static_cast<int64_t>(percorso.size()); }

  // Records who placed the object of cell `j`; a cell outside the track is ignored.
  void set_origin(int64_t j, CellOrigin origin);
  // Who placed the object of cell `j`; kUnknown when nothing was recorded.
  CellOrigin origin(int64_t j) const;
  // Where the object of cell `j` came from, told to a reader of the text
  // `reader`: "from line 57", "from line 12 of the train description",
  // "placed by the signal-code pass"; empty when nothing was recorded.
  std::string origin_text(int64_t j, Placer reader) const;
  // What cell `j` holds and where it came from, told to a reader of the text
  // `reader`: "the speed board from line 57", "the signal from line 12 of the
  // train description", "the speed-code point placed by the signal-code pass",
  // or "a speed board" when its origin is unknown.
  std::string occupant(int64_t j, Placer reader) const;
  // "cell 39 already holds " followed by the occupant.
  std::string cell_taken(int64_t j, Placer reader) const;
  // For a position `p` refused because it leaves less than `margin` metres
  // before the last cell: which positions fit, and what was found.
  std::string beyond_track(int64_t p, int64_t margin) const;

  // Sizes the track for a line of `length` metres: cells 0 .. U with
  // U = nearest((L + 7000) / 50), all zero, and (when `with_geometry`) the
  // geometry points 0 .. L + 7000, all empty. Earlier content is discarded.
  void allocate(int32_t length, bool with_geometry);
  // Every number of every `treno` entry to 0, every name to "" (and no
  // sign-board text stored).
  void clear_treno();
};

// U for a line of `length` metres.
int64_t last_cell_for_length(int64_t length);

// How many stations the table `treno` holds: the entries from 1 up to the
// first empty one or the first that holds the text of a sign board of
// `cells`. Stations without a stop cell (kinds 25 and above) count, and so
// does one whose stop cell a later station overwrote: every command that
// counts a scenario's stations counts them so.
int32_t station_entries(const std::array<VoceTreno, kTrenoEntries>& treno,
                        const std::vector<Cella>& cells);

}  // namespace binario
