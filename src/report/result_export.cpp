#include "report/result_export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

#include <nlohmann/json.hpp>

#include "core/file_names.h"
#include "core/safe_file.h"
#include "model/peak_model.h"

#ifndef PEKTRA_VERSION
#define PEKTRA_VERSION "unknown"
#endif

namespace pektra {

namespace {

// The shortest text that reads back as the same double; to_chars never looks at the locale.
std::string Number(double value) {
  if (value == 0.0) value = 0.0;  // no "-0"
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

// One RFC 4180 field: quoted when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

// A number for JSON: NaN and the infinities have no JSON form and become null.
nlohmann::json JsonNumber(double value) {
  return std::isfinite(value) ? nlohmann::json(value) : nlohmann::json(nullptr);
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace

std::vector<ExportedPeak> ExportedPeaks(const ReportContext& ctx) {
  std::vector<ExportedPeak> peaks;
  const int rows = std::clamp(ctx.results.result_count, 0, kResultCapacity);
  for (int i = 1; i <= rows; ++i) {
    if (!RowInUse(ctx.results, i)) continue;
    const ResultRow& r = ctx.results.result_rows[i];
    const ConvertedPeak p = ConvertPeak(ctx.calibrations(), r[0], r[1], r[2], r[3]);
    ExportedPeak e;
    e.channel = r[0];
    e.dchannel = r[1];
    e.energy = p.energy;
    e.denergy = p.energy_error;
    e.area = r[2];
    e.darea = r[3];
    e.intensity = ctx.results.lim_format ? r[7] : p.intensity;
    e.dintensity = p.intensity_error;
    e.width = r[4];
    e.dwidth = r[5];
    e.crit = r[6];
    const RowFlags& flags = ctx.results.row_status[i].flags;
    e.flags = flags.Any() ? Trimmed(flags.Letters()) : std::string();
    peaks.push_back(std::move(e));
  }
  return peaks;
}

std::string ResultsPathBeside(const std::string& summary_file, const std::string& extension) {
  const std::string own = FileNamePart(summary_file);
  if (own.size() > 4 && own.substr(own.size() - 4) == ".res") {
    return summary_file.substr(0, summary_file.size() - 4) + "." + extension;
  }
  return summary_file + "." + extension;
}

void WriteResultsCsv(std::ostream& out, const std::vector<ExportedPeak>& peaks) {
  out << kResultsCsvHeader << "\r\n";
  for (const ExportedPeak& e : peaks) {
    for (double value : {e.channel, e.dchannel, e.energy, e.denergy, e.area, e.darea, e.intensity,
                         e.dintensity, e.width, e.dwidth, e.crit}) {
      out << Number(value) << ',';
    }
    out << CsvField(e.flags) << "\r\n";
  }
}

std::string ResultsJson(const ReportContext& ctx, const std::vector<ExportedPeak>& peaks) {
  using nlohmann::json;
  const TSpectrum& sp = ctx.spectrum;
  json spectrum = {{"file", sp.file_name},
                   {"type", sp.file_type},
                   {"first_channel", sp.a1},
                   {"last_channel", sp.a2},
                   {"interval", {sp.b1, sp.b2}}};
  if (sp.facts.live_time > 0) spectrum["live_time"] = sp.facts.live_time;
  if (sp.facts.real_time > 0) spectrum["real_time"] = sp.facts.real_time;
  if (!sp.facts.start_date.empty()) spectrum["start_date"] = sp.facts.start_date;

  auto items = [](const OneBasedArray<CalibrationItem>& points, int count) {
    json list = json::array();
    for (int i = 1; i <= std::clamp(count, 0, kMaxCalibrationItems); ++i) {
      list.push_back(
          {JsonNumber(points[i][0]), JsonNumber(points[i][1]), JsonNumber(points[i][2])});
    }
    return list;
  };
  const char* const kModes[] = {"interpolated", "linear", "quadratic"};
  json energy = {{"present", ctx.enc.enc_present},
                 {"mode", kModes[std::clamp(ctx.enc.enc_mode, 0, 2)]},
                 {"items", items(ctx.enc.enc_points, ctx.enc.enc_count)}};
  if (ctx.enc.enc_mode == kEnergyQuadratic) {
    const StoredEnergyCalibration& q = ctx.enc.enc_quadratic;
    energy["coefficients"] = {JsonNumber(q.c0), JsonNumber(q.c1), JsonNumber(q.c2)};
    energy["channel_origin"] = 1;  // E = c0 + c1 (channel - 1) + c2 (channel - 1)^2
  }
  const json efficiency = {{"present", ctx.efc.efc_present},
                           {"items", items(ctx.efc.efc_points, ctx.efc.efc_count)}};
  const json settings = {{"peak_model", ModelTypeName(ctx.peak_model.model_type)},
                         {"sens", JsonNumber(ctx.marking.sens)},
                         {"resol", JsonNumber(ctx.marking.resol)},
                         {"widths", {JsonNumber(sp.w1), JsonNumber(sp.w2)}},
                         {"background_degree", sp.dback},
                         {"lim_format", ctx.results.lim_format},
                         {"norm_coefficient", JsonNumber(ctx.results.norm_coefficient)}};
  json rows = json::array();
  for (const ExportedPeak& e : peaks) {
    rows.push_back({{"channel", JsonNumber(e.channel)},
                    {"dchannel", JsonNumber(e.dchannel)},
                    {"energy", JsonNumber(e.energy)},
                    {"denergy", JsonNumber(e.denergy)},
                    {"area", JsonNumber(e.area)},
                    {"darea", JsonNumber(e.darea)},
                    {"intensity", JsonNumber(e.intensity)},
                    {"dintensity", JsonNumber(e.dintensity)},
                    {"width", JsonNumber(e.width)},
                    {"dwidth", JsonNumber(e.dwidth)},
                    {"crit", JsonNumber(e.crit)},
                    {"flags", e.flags}});
  }
  const json document = {
      {"program", "pektra"},  {"version", PEKTRA_VERSION},
      {"spectrum", spectrum}, {"calibration", {{"energy", energy}, {"efficiency", efficiency}}},
      {"settings", settings}, {"peaks", rows}};
  // Invalid UTF-8 in a file name is replaced, never an exception.
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool WriteResultsCsvFile(const std::string& file_name, const ReportContext& ctx, std::string* why) {
  std::ostringstream text;
  WriteResultsCsv(text, ExportedPeaks(ctx));
  const std::string bytes = text.str();
  return WriteFileAtomically(
      file_name, [&bytes](std::ostream& out) { out << bytes; }, why);
}

bool WriteResultsJsonFile(const std::string& file_name, const ReportContext& ctx,
                          std::string* why) {
  const std::string bytes = ResultsJson(ctx, ExportedPeaks(ctx));
  return WriteFileAtomically(
      file_name, [&bytes](std::ostream& out) { out << bytes; }, why);
}

}  // namespace pektra
