#include "documents/driver_documents.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string_view>

#include "compiler/cell_meaning.h"
#include "compiler/fixed_width.h"
#include "output/driver_forms.h"
#include "output/file_naming.h"
#include "output/kilometres.h"
#include "output/text_encoding.h"

namespace binario {

namespace {

constexpr std::string_view kCrLf = "\r\n";
// Stations of these kinds and above have no stop cell: they are halts, not
// stations that bound a slowdown.
constexpr int kFirstHaltKind = 25;

void add_line(std::string& doc, std::string_view line) {
  doc += line;
  doc += kCrLf;
}

// A stored text shown in a message.
std::string shown(std::string_view bytes) {
  return windows1252_to_utf8(escaped_controls(bytes));
}

// Collects what had to be cut to fit.
class Fitter {
 public:
  explicit Fitter(std::vector<std::string>& notices) : notices_(notices) {}
  // `text` as it fits `room` characters; says so when it is cut.
  std::string_view fit(std::string_view text, size_t room, std::string_view what) {
    if (text.size() <= room) return text;
    const std::string_view cut = text.substr(0, room);
    notices_.push_back(std::string(what) + " '" + shown(text) + "' is longer than its column of " +
                       std::to_string(room) + " characters: cut to '" + shown(cut) + "'");
    return cut;
  }

 private:
  std::vector<std::string>& notices_;
};

// Line length L, from the model's total length.
int64_t line_length(const TrackModel& model) {
  return int64_t{model.lunghezza_totale} - kRunOut;
}

int64_t floor_div(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The number of station records the compile placed: the station table's
// entries 1 to n.
int station_count(const TrackModel& model, const RecordsRead& records) {
  int n = 0;
  for (const RecordRead& r : records.train.records) {
    if (r.kind == RecordKind::kStation && r.complete && !r.after_stop) ++n;
  }
  return std::min(n, kFirstBoardSlot - model.numero_cartelli);
}

struct SlowdownRow {
  int64_t x = 0;
  int64_t v = 0;
  int64_t l = 0;
  int64_t f_tt = 0;
};

std::vector<SlowdownRow> slowdowns(const RecordsRead& records) {
  std::vector<SlowdownRow> rows;
  for (const RecordRead& r : records.train.records) {
    if (r.kind != RecordKind::kSlowdown || !r.complete || r.after_stop) continue;
    rows.push_back({r.values[0].number.value_or(0), r.values[1].number.value_or(0),
                    r.values[2].number.value_or(0), r.values[3].number.value_or(0)});
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const SlowdownRow& a, const SlowdownRow& b) { return a.x < b.x; });
  return rows;
}

// "5.50": hours and minutes of a time of day in seconds; nothing when it
// cannot be shown in the timetable's five characters.
std::optional<std::string> clock_text(int64_t seconds) {
  if (seconds < 0 || seconds / 3600 > 99) return std::nullopt;
  const int64_t minutes = seconds % 3600 / 60;
  return std::to_string(seconds / 3600) + (minutes < 10 ? ".0" : ".") + std::to_string(minutes);
}

std::string uppercase(std::string_view bytes) {
  std::string up(bytes);
  for (char& c : up) {
    const auto b = static_cast<unsigned char>(c);
    // ASCII and the Windows-1252 letters a grave to y acute (not the division sign).
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) {
      c = static_cast<char>(b - 0x20);
    }
  }
  return up;
}

// The line as the slowdown order names it: the scenario name in capitals,
// its parts joined by " - " ("Zorvane_Pelk" is "ZORVANE - PELK").
std::string line_title(std::string_view scenario) {
  std::string title;
  for (char c : uppercase(scenario)) {
    if (c == '_') {
      title += " - ";
    } else {
      title += c;
    }
  }
  return title;
}

// ---- The train sheet ----

std::string time_cell(const TrackModel& model, const SheetRow& row, int first, int last,
                      std::vector<std::string>& notices) {
  constexpr std::string_view kNoTime = "        -       ";
  if (!row.station) return std::string(kNoTime);
  const VoceTreno& v = model.treno[static_cast<size_t>(row.entry)];
  if (station_time(v) == 0) return std::string(kNoTime);
  const std::optional<std::string> t = clock_text(station_time(v));
  if (!t) {
    notices.push_back("the time of " + shown(v.nome) + ", " + std::to_string(station_time(v)) +
                      " seconds, cannot be shown as hours and minutes: its row shows no time");
    return std::string(kNoTime);
  }
  if (row.entry == first && first != last) return forms::right(*t, 16, 2);  // departure
  if (row.entry == last && first != last) return forms::right(*t, 6) + std::string(10, ' ');
  return forms::right(*t, 16, 5);  // passing, or the time of a stop
}

std::string km_cell(int64_t metre) {
  if (metre == 0) return "    0     ";
  return forms::right(kilometres(metre), 10, 1);
}

std::string speed_cell(const std::optional<int>& speed) {
  return speed ? forms::right(std::to_string(*speed), 5, 1) : std::string(5, ' ');
}

// ---- The two columns of the run ----

int64_t ceil_div(int64_t a, int64_t b) {
  return -floor_div(-a, b);
}

// "Vel. Marc.", the running speed of the stretch from a row to the next
// (`from` to `to` metres): the highest speed the fastest run reaches at a
// cell boundary of it, in whole km/h rounded down. Blank where the train does
// not run (before its first station) or stands all along.
std::string running_cell(const RunProfile& run, int64_t from, int64_t to) {
  if (run.stations.empty()) return std::string(5, ' ');
  const int64_t first = std::max(run.first, ceil_div(from, kCellLength));
  const int64_t last = std::min(run.last, floor_div(to, kCellLength));
  double fastest = 0;
  for (int64_t k = first; k <= last; ++k) {
    fastest = std::max(fastest, run.speed[static_cast<size_t>(k)]);
  }
  // The small addition keeps a speed at its limit (100 km/h is 27.7… m/s)
  // from rounding down to the value below.
  const auto kmh = static_cast<int64_t>(std::floor(fastest * 3.6 + 1e-6));
  return kmh > 0 ? forms::right(std::to_string(kmh), 5, 1) : std::string(5, ' ');
}

// "Rec", the recovery the timetable leaves a timed station: its scheduled
// running time from the timed station before, less the fastest run's, in
// minutes rounded down to the half minute ("2", "2.5"; "-1" for a time the
// fastest run misses by up to a minute). Blank under half a minute, at the
// first timed station, at a station without a time and where the run cannot
// reach (a speed limit of 0 on the way).
std::string recovery_cell(const RunProfile& run, int entry) {
  std::string blank(5, ' ');
  const auto s = std::find_if(run.stations.begin(), run.stations.end(),
                              [&](const StationRun& r) { return r.entry == entry; });
  if (s == run.stations.end() || !s->scheduled || !s->previous_timed || !s->fastest) return blank;
  const StationRun& previous = run.stations[static_cast<size_t>(*s->previous_timed)];
  if (!previous.fastest || !std::isfinite(s->margin)) return blank;
  const double halves = std::floor(s->margin / 30.0);
  if (halves == 0 || std::abs(halves) > 1e6) return blank;
  const auto whole = static_cast<int64_t>(std::abs(halves)) / 2;
  const std::string sign = halves < 0 ? "-" : "";
  std::string text = sign + std::to_string(whole);
  if (static_cast<int64_t>(std::abs(halves)) % 2 == 1) {
    // Half a minute only where the column has room for it.
    if (text.size() + 2 <= forms::kTimetableColumns[6]) text += ".5";
  }
  return text.size() <= forms::kTimetableColumns[6] ? forms::centred(text, 5) : blank;
}

std::string train_sheet(const TrackModel& model, const RecordsRead& records,
                        const DocumentChoices& choices, std::vector<std::string>& notices) {
  Fitter fitter(notices);
  const int stations = station_count(model, records);
  const std::string& first_name = stations > 0 ? model.treno[1].nome : std::string();
  const std::string& last_name =
      stations > 0 ? model.treno[static_cast<size_t>(stations)].nome : std::string();

  std::string doc;
  add_line(doc, "");
  add_line(doc, "");
  add_line(doc, forms::kIdentityTop);
  add_line(doc, forms::kIdentityTitle);
  const std::string train = "TRENO n." + model.treno[kTrainEntry].nome;
  const std::string from =
      std::string(forms::kFromIndent, ' ') + "da: " +
      forms::left(fitter.fit(first_name, forms::kEndStationRoom, "the first station's name"),
                  forms::kEndStationRoom);
  const std::string to =
      std::string(forms::kToIndent, ' ') + "a: " +
      forms::left(fitter.fit(last_name, forms::kEndStationRoom, "the last station's name"),
                  forms::kEndStationRoom);
  add_line(doc, forms::table_line(std::array<std::string, 3>{
                    forms::left(fitter.fit(train, forms::kIdentityLeft - 3, "the train's label"),
                                forms::kIdentityLeft, 3),
                    forms::left(from, forms::kIdentityMiddle),
                    forms::centred(choices.speed_class, forms::kIdentityRight)}));
  add_line(doc, " " + std::string(forms::kIdentityLeftClosed) +
                    forms::left(to, forms::kIdentityMiddle) + "|" +
                    forms::centred(std::to_string(braked_mass_percent(model)) + "%",
                                   forms::kIdentityRight) +
                    "|");
  add_line(doc, forms::kIdentityRightClosed);

  add_line(doc, forms::kClassTop);
  add_line(doc, forms::kClassHead);
  const std::string mass = choices.mass.empty() ? std::string() : choices.mass + "T";
  add_line(doc, " |" + forms::centred(choices.category, forms::kClassBox) + "|" +
                    std::string(forms::kClassGap) + "|" +
                    forms::left(mass, forms::kClassBox, forms::kMassIndent) + "|");
  add_line(doc, forms::kClassBottom);
  add_line(doc, "");

  add_line(doc, forms::kTimetableTop);
  add_line(doc, forms::kTimetableHead1);
  add_line(doc, forms::kTimetableHead2);
  add_line(doc, forms::kTimetableRule);
  const auto& widths = forms::kTimetableColumns;
  // A model without cells has no run: its two run columns stay blank.
  const RunProfile run = model.built() ? run_profile(model, choices.run) : RunProfile();
  const std::vector<SheetRow> rows = sheet_rows(model, records);
  // The run ends at the last station: its row and those beyond have no
  // stretch to run.
  const int64_t end = stations > 0 ? model.treno[static_cast<size_t>(stations)].posizione : 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const SheetRow& row = rows[i];
    const int64_t next = i + 1 < rows.size() ? rows[i + 1].metre : row.metre;
    const std::string running = row.metre < end ? running_cell(run, row.metre, std::min(next, end))
                                                : std::string(widths[1], ' ');
    const std::string_view place =
        fitter.fit(row.place, widths[4] - 1, row.station ? "the station name" : "the place name");
    add_line(doc, forms::table_line(std::array<std::string, 7>{
                      speed_cell(row.speed_limit), running, km_cell(row.metre),
                      std::string(widths[3], ' '), forms::left(place, widths[4], 1),
                      time_cell(model, row, 1, stations, notices),
                      row.station ? recovery_cell(run, row.entry) : std::string(widths[6], ' ')}));
  }
  add_line(doc, forms::kTimetableRule);
  add_line(doc, "");
  return doc;
}

// ---- The slowdown order ----

// The stations a slowdown lies between, or the one it lies in.
std::string slowdown_place(const TrackModel& model, int stations, const SlowdownRow& s) {
  const VoceTreno* before = nullptr;
  const VoceTreno* after = nullptr;
  for (int i = 1; i <= stations; ++i) {
    const VoceTreno& v = model.treno[static_cast<size_t>(i)];
    if (v.tipo >= kFirstHaltKind) continue;
    if (s.x < v.fine && s.x + std::max<int64_t>(s.l, 0) > v.inizio) return v.nome;
    if (v.posizione <= s.x) {
      if (!before || v.posizione >= before->posizione) before = &v;
    } else if (!after || v.posizione < after->posizione) {
      after = &v;
    }
  }
  if (before && after) return before->nome + " - " + after->nome;
  if (before) return before->nome;
  if (after) return after->nome;
  return std::string();
}

std::string slowdown_order(const TrackModel& model, const RecordsRead& records,
                           std::vector<std::string>& notices) {
  Fitter fitter(notices);
  const int stations = station_count(model, records);
  const std::vector<SlowdownRow> rows = slowdowns(records);
  const auto& widths = forms::kOrderColumns;
  std::string doc;
  // One form holds 26 rows; more slowdowns go on to further forms.
  const size_t forms_needed =
      std::max<size_t>(1, (rows.size() + forms::kOrderRows - 1) / forms::kOrderRows);
  for (size_t form = 0; form < forms_needed; ++form) {
    add_line(doc, "");
    add_line(doc, forms::kOrderForm);
    add_line(doc, forms::kOrderTitle);
    add_line(doc, forms::kOrderTitleRule);
    add_line(doc,
             std::string(forms::kOrderLinePrefix) + line_title(model.treno[kScenarioEntry].nome));
    add_line(doc, "");
    add_line(doc, std::string(forms::kOrderSentenceBefore) + model.treno[kTrainEntry].nome +
                      std::string(forms::kOrderSentenceAfter));
    for (std::string_view line : forms::kOrderHead) add_line(doc, line);
    for (size_t k = 0; k < forms::kOrderRows; ++k) {
      const size_t i = form * forms::kOrderRows + k;
      if (i >= rows.size()) {
        add_line(doc, forms::kOrderEmptyRow);
        continue;
      }
      const SlowdownRow& s = rows[i];
      const std::string number = std::to_string(i + 1);
      const std::string place = slowdown_place(model, stations, s);
      const std::string post = std::to_string(floor_div(s.x, 1000));
      const std::string speed = std::to_string(s.v);
      const std::string length = std::to_string(s.l);
      add_line(
          doc,
          forms::table_line(std::array<std::string, 6>{
              forms::centred(fitter.fit(number, widths[0], "the slowdown number"), widths[0]),
              forms::centred(fitter.fit(place, widths[1], "the stations of a slowdown"), widths[1]),
              forms::centred(fitter.fit(post, widths[2], "the kilometre post"), widths[2]),
              forms::centred(fitter.fit(speed, widths[3], "the slowdown speed"), widths[3]),
              forms::centred(fitter.fit(length, widths[4], "the slowdown length"), widths[4]),
              forms::centred(s.f_tt == 1 ? "A" : "-", widths[5])}));
    }
    add_line(doc, forms::kOrderRule);
    for (std::string_view line : forms::kOrderKey) add_line(doc, line);
  }
  return doc;
}

// ---- The notes ----

std::string with_count(size_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string notes(const TrackModel& model, const RecordsRead& records,
                  const DocumentChoices& choices) {
  const int stations = station_count(model, records);
  const VoceTreno& train = model.treno[kTrainEntry];
  const std::string& number = train.nome;
  std::string doc;

  const std::string& scenario = model.treno[kScenarioEntry].nome;
  add_line(doc,
           "Documenti per il macchinista preparati con binario, il compilatore di scenari "
           "ferroviari, dallo scenario " +
               scenario + " del treno " + number + ".");

  std::string who = "Il treno " + number;
  if (!choices.category.empty()) who += " (categoria " + choices.category + ")";
  if (stations > 0) {
    who +=
        " va da " + model.treno[1].nome + " a " + model.treno[static_cast<size_t>(stations)].nome;
  } else {
    who += " non ha stazioni";
  }
  if (!choices.speed_class.empty()) {
    who +=
        " ed \xE8"
        " ammesso al rango di velocit\xE0"
        " " +
        choices.speed_class;
  }
  add_line(doc, who + ".");

  std::string made =
      "\xC8"
      " composto da " +
      with_count(static_cast<size_t>(
                     std::max<int64_t>(general_value(model.treno, RecordKind::kCars, 0), 0)),
                 "vettura", "vetture") +
      ", con una percentuale di massa frenata del " + std::to_string(braked_mass_percent(model)) +
      "%";
  if (!choices.mass.empty()) made += " e una massa bloccata di " + choices.mass + " t";
  add_line(doc, made + ".");

  const auto clock_value = [&](size_t i) {
    return general_value(model.treno, RecordKind::kClock, i);
  };
  const int64_t minutes = clock_value(values_of::kMinutes);
  const int64_t seconds = clock_value(values_of::kSeconds);
  const std::string clock = std::to_string(clock_value(values_of::kHours)) + "." +
                            (minutes < 10 && minutes >= 0 ? "0" : "") + std::to_string(minutes) +
                            "." + (seconds < 10 && seconds >= 0 ? "0" : "") +
                            std::to_string(seconds);
  size_t timed = 0;
  for (int i = 1; i <= stations; ++i)
    timed += station_time(model.treno[static_cast<size_t>(i)]) != 0;
  add_line(doc, "Gli orari della scheda treno sono quelli della descrizione del treno: " +
                    with_count(timed, "stazione", "stazioni") + " su " + std::to_string(stations) +
                    " con un orario; l'orologio parte alle " + clock + ".");

  // The line, its slowdowns and its adhesion.
  const int64_t length = line_length(model);
  std::string run =
      "La linea \xE8"
      " lunga " +
      kilometres(std::max<int64_t>(length, 0)) + " km";
  const size_t slow = slowdowns(records).size();
  run += slow == 0 ? ", senza rallentamenti."
                   : ", con " + with_count(slow, "rallentamento", "rallentamenti") +
                         " (vedi l'ordine di rallentamento).";
  // The lowest adhesion over the line and where it first holds.
  const int64_t cells = std::min<int64_t>(
      model.last_cell() + 1, std::max<int64_t>(1, (length + kCellLength - 1) / kCellLength));
  if (cells > 0 && model.built()) {
    int lowest = 256;
    int highest = -1;
    int64_t from = 0;
    int64_t to = 0;
    for (int64_t k = 0; k < cells; ++k) {
      const int a = model.percorso[static_cast<size_t>(k)].aderenza;
      if (a < lowest) {
        lowest = a;
        from = k;
        to = k;
      } else if (a == lowest && to == k - 1) {
        to = k;
      }
      highest = std::max(highest, a);
    }
    if (lowest == highest) {
      run += " L'aderenza vale " + std::to_string(lowest) + " su tutta la linea.";
    } else {
      run +=
          " L'aderenza pi\xF9"
          " bassa, " +
          std::to_string(lowest) + ", si trova dal km " + kilometres(from * kCellLength) +
          " al km " + kilometres((to + 1) * kCellLength) + ".";
    }
  }
  add_line(doc, run);
  add_line(doc, "Buona simulazione.");
  add_line(doc, "");
  // The signature: who wrote the documents and from what.
  const ScenarioFileNames files = scenario_file_names(scenario, number);
  add_line(doc, "binario");
  add_line(doc, "dalle descrizioni " + files.line_text + " e " + files.train_text);
  return doc;
}

}  // namespace

std::vector<SheetRow> sheet_rows(const TrackModel& model, const RecordsRead& records) {
  std::vector<SheetRow> rows;
  const int stations = station_count(model, records);
  for (int i = 1; i <= stations; ++i) {
    const VoceTreno& v = model.treno[static_cast<size_t>(i)];
    rows.push_back({v.posizione, std::nullopt, v.nome, true, i});
  }
  // Where the limit changes, cell by cell over the line.
  const int64_t length = line_length(model);
  const int64_t cells = std::min<int64_t>(
      model.last_cell() + 1, std::max<int64_t>(1, (length + kCellLength - 1) / kCellLength));
  int previous = -1;
  for (int64_t k = 0; k < cells; ++k) {
    const int speed = speed_limit_kmh(model.percorso[static_cast<size_t>(k)]);
    if (speed == previous) continue;
    previous = speed;
    const int64_t metre = k * kCellLength;
    auto at = std::find_if(rows.begin(), rows.end(),
                           [&](const SheetRow& r) { return r.station && r.metre == metre; });
    if (at != rows.end()) {
      at->speed_limit = speed;
    } else {
      rows.push_back({metre, speed, "Km " + kilometres(metre), false, 0});
    }
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const SheetRow& a, const SheetRow& b) { return a.metre < b.metre; });
  return rows;
}

DriverDocuments driver_documents(const TrackModel& model, const RecordsRead& records,
                                 const DocumentChoices& choices) {
  DriverDocuments d;
  d.train_sheet = train_sheet(model, records, choices, d.notices);
  d.slowdown_order = slowdown_order(model, records, d.notices);
  d.notes = notes(model, records, choices);
  return d;
}

}  // namespace binario
