// Random valid scenario pairs for property tests. make() writes every record
// kind of both descriptions with values near the limits of their fields,
// positions off the cell starts, objects a station stop overwrites, spans
// that join: the edges of the format, most of them warned of. make_authored()
// writes what an author would: plausible values, everything in its order and
// within the line, a timetable the train can keep, so a warning on one of
// them is a false alarm. Objects get cells of their own and the signal-code
// pass finds room, so most pairs compile with status 0 (a caller skips the
// few that do not).
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "compiler/fixed_width.h"
#include "compiler/records.h"
#include "compiler/track_model.h"

namespace binario::test {

struct RandomPair {
  std::string line;    // the line description, Windows-1252 with CR LF
  std::string train;   // the train description
  std::string name;    // nome_percorso
  std::string number;  // numero_treno
  bool geometry = false;
};

class RandomPairMaker {
 public:
  explicit RandomPairMaker(uint64_t seed) : rng_(seed) {}

  RandomPair make(bool geometry) {
    clear();
    RandomPair p;
    p.geometry = geometry;
    p.name = word(1, 12, false);
    p.number = std::to_string(between(0, 99999));
    length_ = chance(10) ? between(0, 400) : between(3000, 25000);
    last_ = last_cell_for_length(length_);
    taken_.assign(static_cast<size_t>(last_) + 1, false);
    reserve(0, 2);  // cell 1 carries the markers
    reserve(last_ - 2, last_);
    line_head();
    stations();
    slowdowns();
    boards_and_signals();
    line_body(p.geometry);
    train_body();
    p.line = line_ + "[fine]\r\n";
    p.train = train_ + "[codici]\r\n" + codes_ + "[fine]\r\n";
    return p;
  }

  RandomPair make_authored(bool geometry) {
    clear();
    RandomPair p;
    p.geometry = geometry;
    p.name = word(1, 12, false);
    p.number = std::to_string(between(0, 99999));
    length_ = between(3000, 25000);
    last_ = last_cell_for_length(length_);
    // The last cell a point object within the line may take.
    line_last_ = point_cell(length_ - 25) - 1;
    taken_.assign(static_cast<size_t>(last_) + 1, false);
    reserve(0, 2);
    reserve(line_last_ - 2, last_);
    authored_line_head();
    authored_train_head();
    authored_stations();
    authored_slowdowns();
    authored_objects();
    authored_line_body(geometry);
    // Titled by its route from one end to the other, either way, or not.
    const std::string route = chance(3)   ? word(1, 20, false)
                              : chance(2) ? first_station_ + " - " + last_station_
                                          : last_station_ + " - " + first_station_;
    line_ = "Percorso " + route + line_;
    train_ = "Treno " + word(1, 10, false) + (chance(2) ? " percorso " + route : "") + train_;
    train_ += "[stazioni]\r\n";
    for (const std::string& s : station_records_) train_ += s + "\r\n";
    train_ += "[rallentamenti]\r\n" + train_slowdowns_ + "[segnali]\r\n" + signals_;
    p.line = line_ + "[fine]\r\n";
    p.train = train_ + "[codici]\r\n" + codes_ + "[fine]\r\n";
    return p;
  }

 private:
  void clear() {
    line_.clear();
    train_.clear();
    station_records_.clear();
    speed_boards_.clear();
    sign_boards_.clear();
    signals_.clear();
    train_slowdowns_.clear();
    codes_.clear();
    limits_.clear();
    extents_.clear();
  }

  int64_t between(int64_t lo, int64_t hi) {
    return std::uniform_int_distribution<int64_t>(lo, hi)(rng_);
  }
  bool chance(int one_in) { return between(1, one_in) == 1; }
  // Text of random letters, blanks, punctuation and Windows-1252 letters.
  std::string word(int lo, int hi, bool anything) {
    static const std::string plain =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static const std::string extra = " .,()'-_\"\xE0\xE8\xE9\xF2\xC0\x80\x9F";
    std::string s;
    const int64_t n = between(lo, hi);
    for (int64_t i = 0; i < n; ++i) {
      const std::string& from = anything && chance(4) ? extra : plain;
      s += from[static_cast<size_t>(between(0, static_cast<int64_t>(from.size()) - 1))];
    }
    return s;
  }
  static std::string n(int64_t v) { return std::to_string(v); }

  // `text` as a field that reads back as it: quoted where it needs it, or
  // sometimes anyway. A text holding a double quote cannot be quoted, so it
  // loses its commas and outer blanks and never starts with the quote.
  std::string text_field(std::string text) {
    if (text.find('"') != std::string::npos) {
      std::erase(text, ',');
      while (!text.empty() && text.back() == ' ') text.pop_back();
      while (!text.empty() && (text.front() == ' ' || text.front() == '"')) text.erase(0, 1);
      return text;
    }
    if (text.find(',') != std::string::npos || text.empty() || text.front() == ' ' ||
        text.back() == ' ' || chance(5)) {
      return "\"" + text + "\"";
    }
    return text;
  }

  bool free(int64_t j) const { return j >= 0 && j <= last_ && !taken_[static_cast<size_t>(j)]; }
  bool all_free(int64_t from, int64_t to) const {
    for (int64_t j = from; j <= to; ++j) {
      if (!free(j)) return false;
    }
    return true;
  }
  void reserve(int64_t from, int64_t to) {
    for (int64_t j = std::max<int64_t>(from, 0); j <= std::min(to, last_); ++j) {
      taken_[static_cast<size_t>(j)] = true;
    }
  }
  // A free cell for a point object between cells 3 and U - 3, or -1.
  int64_t free_cell(int64_t lo = 3) {
    for (int tries = 0; tries < 40; ++tries) {
      const int64_t j = between(lo, last_ - 3);
      if (free(j)) return j;
    }
    return -1;
  }
  // A position whose point cell is `j`: somewhere in the 50 m before it.
  int64_t point_position(int64_t j) {
    const int64_t p = (j - 1) * 50 + between(-24, 24);
    return point_cell(p) == j ? p : (j - 1) * 50;
  }

  void line_head() {
    line_ = "Percorso " + word(0, 20, true) + "\r\n\r\ninizio_dati\r\n[generale]\r\n";
    line_ += "lunghezza percorso, " + n(length_) + "\r\n";
    const bool keyed = chance(2);
    for (const char* w : {"uno", "due", "tre"}) {
      line_ += std::string("progressiva chilometrica ") + w + ", " +
               n(keyed ? between(0, 180) * 50 : 0) + ", " + n(between(0, 2000) * 50) + ", " +
               n(between(0, 1)) + "\r\n";
    }
    for (const char* w : {"uno", "due", "tre"}) {
      line_ += std::string("sfondo ") + w + ", " + n(between(-3, 300)) + "\r\n";
    }
    const int64_t from = between(0, last_) * 50;
    line_ += std::string("ripetizione segnali ") + (chance(2) ? "4" : "9") + " codici, " + n(from) +
             ", " + n(chance(5) ? 0 : from + between(0, 400) * 50) + "\r\n";
    line_ += "[pendenze]\r\n";
  }

  // Stations first, so that everything else keeps off their stop cells, except
  // the objects put there on purpose for a station to overwrite.
  void stations() {
    int64_t previous_fine = -1000000;
    int64_t number = 1;
    const int64_t most = between(0, 8);
    for (int64_t s = 0; s < most; ++s) {
      static const int kinds[] = {2, 4, 5, 6, 7, 8, 12, 22, 24, 28, 30};
      const int64_t kind = kinds[between(0, 10)];
      const int64_t length = between(1, 8) * 100;
      const int64_t mar = chance(2) ? between(1, 255) : 0;
      int64_t lo = previous_fine + 350 + length + 50;
      lo = (std::max<int64_t>(lo, 200) + 49) / 50 * 50;
      const int64_t pos = lo + between(0, 20) * 50;
      int64_t inizio, fine;
      if (kind == 5 || kind == 6) {
        inizio = pos - length;
        fine = pos + 150;
      } else if (kind == 7 || kind == 8) {
        inizio = pos - length;
        fine = pos + length;
      } else {
        inizio = pos - length / 2;
        fine = pos + length / 2 + (mar != 0 && number > 1 ? 50 : 0);
        if (number == 1 && mar != 0) fine += 50;
      }
      if (inizio - 350 < previous_fine || fine <= 150 || (pos + 800) / 50.0 > last_ ||
          fine / 50 - 1 > last_ - 3) {
        break;
      }
      std::string record = "stazione, " + n(pos) + ", " + n(kind) + ", " + n(length);
      for (int64_t v :
           {between(0, 255), between(0, 255), mar, between(-32768, 32767), between(-5, 5),
            between(0, 255), between(-5, 5), between(-32768, 32767), between(0, 9), between(0, 255),
            between(0, 23), between(0, 59), between(0, 59)}) {
        record += ", " + n(v);
      }
      record += ", " + text_field(word(0, 20, true));
      if (kind < 25) {
        const int64_t stop = fine / 50 - 1;
        reserve(stop - 5, stop);
        if (chance(3)) under_station(stop, &record);
      }
      station_records_.push_back(record);
      previous_fine = fine;
      ++number;
    }
  }

  // An object a station stop overwrites: a signal before the station in the
  // train description, or a board in the line description.
  void under_station(int64_t stop, std::string* station) {
    const int64_t p = point_position(stop);
    switch (between(0, 4)) {
      case 3:
        if (std::string r = slowdown_over(stop); !r.empty()) *station = r + *station;
        break;
      case 4:
        *station = "abbattimento, " + n(p + 50) + ", " + n(between(-5, 400)) + "\r\n" + *station;
        break;
      case 0:
        *station = signal(p) + "\r\n" + *station;
        break;
      case 1:
        speed_boards_ += speed_board(p);
        break;
      default:
        sign_boards_ += "cartello indicatore, " + n(p) + ", " + word(1, 15, false) + "\r\n";
        break;
    }
  }

  // A slowdown with one cell (start, end, warning board or a countdown
  // cell) on the stop cell `stop`, written before the station; empty when
  // its other cells find no room.
  std::string slowdown_over(int64_t stop) {
    const int role = static_cast<int>(between(0, 6));  // start, end, warning, countdown 0 … 3
    int64_t length = between(1, 40) * 50 + between(-20, 20);
    int64_t b = stop;
    if (role == 1) b = stop - between(2, 30);
    if (role == 2) b = stop + 24;
    if (role >= 3) b = stop + 25 + (role - 3);
    int64_t p = role == 2 || role >= 3 ? (b - 1) * 50 : point_position(b);
    if (role == 1) length = (stop - 1) * 50 - p;
    const SlowdownCells c = slowdown_cells(p, length);
    const bool countdown = c.warning && chance(2) ? true : role >= 3;
    const int64_t w = nearest(static_cast<double>(p - 1200) / 50.0);
    std::vector<int64_t> cells = {c.b, c.e};
    if (c.warning) cells.push_back(c.a);
    for (int64_t i = 0; countdown && i < 4; ++i) cells.push_back(w - i);
    if (std::find(cells.begin(), cells.end(), stop) == cells.end() || (countdown && !c.warning) ||
        c.e <= c.b || c.e > last_ - 3 || p < 200) {
      return "";
    }
    const int64_t first = c.warning ? w - 25 : c.b - 22;
    for (int64_t j = std::max<int64_t>(first, 0); j <= c.e + 14; ++j) {
      if ((j < stop - 5 || j > stop) && !free(j)) return "";
    }
    if (first < 2) return "";
    reserve(first, c.e + 14);
    return "rallentamento, " + n(p) + ", " +
           n(chance(2) ? between(1, 21) * 5 : between(22, 40) * 5) + ", " + n(length) + ", " +
           n(chance(8) ? between(-32768, 32767) : between(0, 1)) + ", " + (countdown ? "1" : "0") +
           ", " + n(chance(3) ? 0 : between(-32768, 32767)) + "\r\n";
  }

  std::string signal(int64_t p) {
    std::string r = "segnale, " + n(p);
    const bool big = chance(8);
    for (int i = 0; i < 10; ++i) {
      r += ", " + n(big ? between(-40000, 40000) : (i == 0 ? between(1, 2) : between(0, 6)));
    }
    return r;
  }

  std::string speed_board(int64_t p) {
    std::string r = "indicatori_vmax, " + n(p);
    for (int i = 0; i < 8; ++i) {
      const bool stripes = i == 3 || i == 7;
      r += ", " + n(stripes ? between(0, 9) : (chance(6) ? between(0, 2000) : between(0, 40) * 5));
    }
    return r + "\r\n";
  }

  // Slowdowns with room for their cells and for the code points the pass
  // puts before, inside and after them.
  void slowdowns() {
    const int64_t most = between(0, 4);
    for (int64_t s = 0; s < most; ++s) {
      const int64_t p = between(200, std::max<int64_t>(200, last_ * 50 - 2000));
      const int64_t length = between(1, 40) * 50 + between(-20, 20);
      const int64_t b = point_cell(p);
      const int64_t e = nearest(static_cast<double>(p + length) / 50.0 + 1.0);
      const int64_t first = p > 1500 ? nearest(static_cast<double>(p - 1200) / 50.0) - 25 : b - 22;
      if (e <= b + 1 || e + 14 > last_ - 3 || first < 2 || !all_free(first, e + 14)) continue;
      reserve(first, e + 14);
      const int64_t v = chance(2) ? between(1, 21) * 5 : between(22, 40) * 5;
      train_slowdowns_ += "rallentamento, " + n(p) + ", " + n(v) + ", " + n(length) + ", " +
                          n(between(0, 1)) + ", " + n(between(0, 1)) + ", " +
                          n(chance(2) ? 0 : between(-100, 100)) + "\r\n";
      // A signal shortly after the end gets a code point in front of it.
      if (chance(2)) signals_ += signal(point_position(e + between(3, 12))) + "\r\n";
    }
  }

  void boards_and_signals() {
    for (int64_t i = between(0, 12); i > 0; --i) {
      const int64_t j = free_cell();
      if (j < 0) break;
      reserve(j, j);
      speed_boards_ += speed_board(point_position(j));
    }
    for (int64_t i = between(0, 6); i > 0; --i) {
      const int64_t j = free_cell();
      if (j < 0) break;
      reserve(j, j);
      sign_boards_ += "cartello indicatore, " + n(point_position(j)) + ", " +
                      text_field(word(0, 25, true)) + "\r\n";
    }
    for (int64_t i = between(0, 25); i > 0; --i) {
      const int64_t j = free_cell(8);
      if (j < 0) break;
      reserve(j, j);
      signals_ += signal(point_position(j)) + "\r\n";
    }
    for (int64_t i = between(0, 8); i > 0; --i) {
      const int64_t j = free_cell();
      if (j < 0) break;
      reserve(j, j);
      const int64_t w = chance(4) ? between(-5, 0) : (chance(3) ? 180 : between(1, 400));
      codes_ += "abbattimento, " + n(j * 50 + between(-24, 24)) + ", " + n(w) + "\r\n";
    }
  }

  void line_body(bool geometry) {
    // Gradients, speeds and adhesion: increasing positions, some at one place.
    int64_t p = between(-25, 200);
    for (int64_t i = between(0, 30); i > 0 && p + 100 <= last_ * 50; --i) {
      line_ +=
          "pendenza, " + n(p) + ", " + n(chance(10) ? between(-100, 155) : between(-9, 9)) + "\r\n";
      p += chance(8) ? 0 : between(1, 3000);
    }
    line_ += "[curve]\r\n";
    int64_t k = between(0, 300);
    for (int64_t i = between(0, 25); geometry && i > 0; --i) {
      const int64_t len = between(1, 1500);
      if (k + 100 > last_ * 50 || k + len > length_ + kRunOut) break;
      line_ += std::string("curva") + (chance(2) ? "s" : "d") + n(between(1, 6)) + ", " + n(k) +
               ", " + n(len) + "\r\n";
      k += len + (chance(3) ? 0 : between(1, 2000));
    }
    line_ += "[cartelli]\r\n" + speed_boards_ + "[montagne]\r\n";
    int64_t m = between(0, 500);
    for (int64_t i = between(0, 8); i > 0; --i) {
      const int64_t len = between(50, 2000);
      if (m + 100 > last_ * 50) break;
      // Kinds whose low 8 bits are 0 (266: with markers), or past a byte.
      static const int64_t odd_kinds[] = {266, 266, 10, 265, 256, -5, 300, 0};
      const int64_t kind =
          chance(6) ? odd_kinds[between(0, 7)] : (chance(2) ? between(1, 9) : between(11, 19));
      line_ += "montagna, " + n(m) + ", " + n(m + len) + ", " + n(kind) + "\r\n";
      m += len + (chance(2) ? between(0, 150) : between(151, 3000));
    }
    line_ += "[indicazioni]\r\n" + sign_boards_;
  }

  void train_body() {
    train_ = "Treno " + word(0, 10, true) + "\r\n\r\ninizio_dati\r\n[generale]\r\n";
    train_ += "numero vetture, " + n(between(0, 30)) + "\r\n";
    train_ += "percentuale massa frenata, " + n(between(0, 300)) + "\r\n";
    train_ += "sabbia, " + n(between(-32768, 32767)) + "\r\n";
    train_ += "orologio, " + n(between(0, 23)) + ", " + n(between(0, 59)) + ", " +
              n(between(0, 59)) + "\r\n[aderenze]\r\n";
    for (const bool speed : {false, true}) {
      int64_t p = between(-25, 300);
      for (int64_t i = between(0, 25); i > 0 && p + 100 <= last_ * 50; --i) {
        const int64_t v = speed ? (chance(10) ? between(0, 1277) : between(0, 32) * 5)
                                : (chance(10) ? between(-300, 600) : between(0, 255));
        train_ += std::string(speed ? "velocita" : "aderenza") + ", " + n(p) + ", " + n(v) + "\r\n";
        p += chance(8) ? 0 : between(1, 3000);
      }
      if (!speed) train_ += "[vel_limite]\r\n";
    }
    train_ += "[stazioni]\r\n";
    for (const std::string& s : station_records_) train_ += s + "\r\n";
    train_ += "[rallentamenti]\r\n" + train_slowdowns_ + "[segnali]\r\n" + signals_;
  }

  // An authored pair's line: its general values and gradients (the title
  // goes before them once the stations are named).
  void authored_line_head() {
    line_ = "\r\n\r\ninizio_dati\r\n[generale]\r\n";
    line_ += "lunghezza percorso, " + n(length_) + "\r\n";
    for (const char* w : {"uno", "due", "tre"}) {
      line_ += std::string("progressiva chilometrica ") + w + ", 0, " + n(between(0, 2000) * 50) +
               ", " + n(between(0, 1)) + "\r\n";
    }
    for (const char* w : {"uno", "due", "tre"}) {
      line_ += std::string("sfondo ") + w + ", " + n(between(0, 300)) + "\r\n";
    }
    const int64_t from = between(0, length_ / 50) * 50;
    line_ += std::string("ripetizione segnali ") + (chance(2) ? "4" : "9") + " codici, " + n(from) +
             ", " + n(chance(5) ? 0 : between(from / 50, length_ / 50) * 50) + "\r\n";
    line_ += "[pendenze]\r\n";
    for (int64_t p = between(0, 200), i = between(0, 30); i > 0 && p < length_; --i) {
      line_ +=
          "pendenza, " + n(p) + ", " + n(chance(5) ? between(-30, 30) : between(-9, 9)) + "\r\n";
      p += between(100, 3000);
    }
  }

  // An authored train's general values, adhesion and speed limits, each
  // from metre 0 (the title goes before them with the line's).
  void authored_train_head() {
    train_ = "\r\n\r\ninizio_dati\r\n[generale]\r\n";
    train_ += "numero vetture, " + n(between(1, 15)) + "\r\n";
    train_ += "percentuale massa frenata, " + n(between(60, 180)) + "\r\n";
    train_ += "sabbia, " + n(between(0, 1000)) + "\r\n";
    start_ = between(5, 17) * 3600 + between(0, 3599);
    train_ += "orologio, " + n(start_ / 3600) + ", " + n(start_ / 60 % 60) + ", " + n(start_ % 60) +
              "\r\n[aderenze]\r\n";
    for (int64_t p = 0, i = between(1, 10); i > 0 && p < length_; --i) {
      train_ += "aderenza, " + n(p) + ", " + n(between(60, 120)) + "\r\n";
      p += between(100, 5000);
    }
    train_ += "[vel_limite]\r\n";
    for (int64_t p = 0, i = between(1, 12); i > 0 && p < length_; --i) {
      const int64_t v = between(kSlowestLimit / 5, chance(5) ? 60 : 32) * 5;
      limits_.push_back(v);
      train_ += "velocita, " + n(p) + ", " + n(v) + "\r\n";
      p += between(100, 5000);
    }
  }

  // A first station at metre 0 and more along the line, each with a stop
  // the train can keep at walking pace, and passing points without a time.
  void authored_stations() {
    static const int kinds[] = {2, 4, 5, 6, 7, 12, 22, 28};
    int64_t clock = start_ + between(60, 1800);  // the first departure
    int64_t previous = 0, previous_fine = 0;
    for (int64_t s = 0; s < 10; ++s) {
      const int64_t kind = s == 0 ? 8 : kinds[between(0, 7)];
      const int64_t mar = chance(3) ? between(1, 3) : 0;
      const int64_t length = between(2, 8) * 100;
      const int64_t pos = s == 0 ? 0 : previous_fine + between(20, 80) * 50 + length;
      const StationExtent e = station_extent(pos, kind, length, mar);
      if (e.fine + 800 > length_) break;
      if (s > 0) clock += (pos - previous) * 36 / 100 + 120;  // 10 km/h and two minutes
      const int64_t t = kind < 25 ? clock % 86400 : 0;
      std::string record = "stazione, " + n(pos) + ", " + n(kind) + ", " + n(length);
      for (int64_t v :
           {between(0, 3), between(0, 3), mar, between(0, 100), between(0, 5), between(0, 3),
            between(0, 5), between(0, 100), between(0, 9), between(30, 120)}) {
        record += ", " + n(v);
      }
      const std::string name =
          "Station " + std::string(1, static_cast<char>('A' + s)) + word(0, 10, false);
      record +=
          ", " + n(t / 3600) + ", " + n(t / 60 % 60) + ", " + n(t % 60) + ", " + text_field(name);
      last_station_ = name;
      if (s == 0) first_station_ = name;
      if (kind < 25) {
        const int64_t stop = e.fine / 50 - 1;
        reserve(stop - 5, stop);
      }
      extents_.push_back(e);
      station_records_.push_back(record);
      previous = pos;
      previous_fine = e.fine;
    }
  }

  // Slowdowns past the first 1500 m, below every limit, starting outside
  // the stations, with room for their boards and code points.
  void authored_slowdowns() {
    const int64_t slowest = *std::min_element(limits_.begin(), limits_.end());
    int64_t wanted = between(0, 4);
    for (int tries = 0; wanted > 0 && tries < 20; ++tries) {
      const int64_t p = between(1600, std::max<int64_t>(1600, line_last_ * 50 - 2000));
      const int64_t length = between(2, 40) * 50;
      const SlowdownCells c = slowdown_cells(p, length);
      const int64_t first = nearest(static_cast<double>(p - 1200) / 50.0) - 25;
      const bool in_station = std::any_of(extents_.begin(), extents_.end(), [p](const auto& e) {
        return p >= e.inizio - 50 && p <= e.fine + 50;
      });
      if (in_station || c.e + 14 > line_last_ || !all_free(first, c.e + 14)) continue;
      reserve(first, c.e + 14);
      --wanted;
      train_slowdowns_ += "rallentamento, " + n(p) + ", " + n(between(2, slowest / 5 - 1) * 5) +
                          ", " + n(length) + ", " + n(between(0, 1)) + ", " + n(between(0, 1)) +
                          ", 0\r\n";
    }
  }

  // Signals at least a block section apart, boards and code points, each in
  // a cell of its own within the line.
  void authored_objects() {
    for (int64_t p = between(400, 1500); p <= line_last_ * 50 - 50;
         p += chance(4) ? 400 : between(450, 2500)) {
      const int64_t j = point_cell(p);
      if (j < 8 || !free(j)) continue;
      reserve(j, j);
      std::string r = "segnale, " + n(p) + ", " + n(between(1, 2));
      for (int i = 1; i < 10; ++i) r += ", " + n(between(0, 6));
      signals_ += r + "\r\n";
    }
    for (int64_t i = between(0, 12); i > 0; --i) {
      const int64_t j = free_cell_in_line();
      if (j < 0) break;
      reserve(j, j);
      std::string r = "indicatori_vmax, " + n(point_position(j));
      for (int f = 0; f < 8; ++f)
        r += ", " + n(f == 3 || f == 7 ? between(0, 9) : between(0, 40) * 5);
      speed_boards_ += r + "\r\n";
    }
    for (int64_t i = between(0, 6); i > 0; --i) {
      const int64_t j = free_cell_in_line();
      if (j < 0) break;
      reserve(j, j);
      sign_boards_ += "cartello indicatore, " + n(point_position(j)) + ", " +
                      text_field(word(1, 25, false)) + "\r\n";
    }
    for (int64_t i = between(0, 8); i > 0; --i) {
      const int64_t j = free_cell_in_line();
      if (j < 0) break;
      reserve(j, j);
      codes_ += "abbattimento, " + n(j * 50 + between(-24, 24)) + ", " +
                n(chance(3) ? 180 : between(1, 400)) + "\r\n";
    }
  }
  int64_t free_cell_in_line() {
    for (int tries = 0; tries < 40; ++tries) {
      const int64_t j = between(3, line_last_ - 3);
      if (free(j)) return j;
    }
    return -1;
  }

  // Curves one after the other, each turning less than a circle, and
  // mountain spans apart, all within the line.
  void authored_line_body(bool geometry) {
    line_ += "[curve]\r\n";
    for (int64_t k = between(0, 300), i = between(0, 25); geometry && i > 0; --i) {
      const int64_t len = between(1, 1500);
      if (k + len > length_) break;
      line_ += std::string("curva") + (chance(2) ? "s" : "d") + n(between(1, 6)) + ", " + n(k) +
               ", " + n(len) + "\r\n";
      k += len + (chance(3) ? 0 : between(1, 2000));
    }
    line_ += "[cartelli]\r\n" + speed_boards_ + "[montagne]\r\n";
    for (int64_t m = between(0, 500), i = between(0, 8); i > 0; --i) {
      const int64_t len = between(100, 2000);
      if (m + len > length_) break;
      static const int64_t kinds[] = {1, 2, 11, 12};
      line_ += "montagna, " + n(m) + ", " + n(m + len) + ", " + n(kinds[between(0, 3)]) + "\r\n";
      m += len + between(200, 3000);
    }
    line_ += "[indicazioni]\r\n" + sign_boards_;
  }

  static constexpr int64_t kSlowestLimit = 30;  // km/h

  std::mt19937_64 rng_;
  int64_t length_ = 0;
  int64_t last_ = 0;
  int64_t line_last_ = 0;
  int64_t start_ = 0;  // the clock, seconds after midnight
  std::string first_station_, last_station_;
  std::vector<int64_t> limits_;
  std::vector<StationExtent> extents_;
  std::vector<bool> taken_;
  std::string line_, train_;
  std::vector<std::string> station_records_;
  std::string speed_boards_, sign_boards_, signals_, train_slowdowns_, codes_;
};

}  // namespace binario::test
