// ANSI N42.42 XML, the 2006 form (N42InstrumentData, Measurement, Spectrum with LiveTime,
// Calibration and ChannelData) and the 2011 form (RadInstrumentData, RadMeasurement, Spectrum with
// LiveTimeDuration and a reference to an EnergyCalibration): the first spectrum is read.
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/text_input.h"
#include "spectrum/format_bytes.h"
#include "spectrum/standard_formats.h"

namespace pektra {
namespace {

using format_bytes::kLargestCount;
constexpr std::size_t kMaxRunChannels = 65536;

// The element's name without its namespace prefix.
std::string_view LocalName(const pugi::xml_node& node) {
  std::string_view name = node.name();
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node FirstDescendant(const pugi::xml_node& root, std::string_view name) {
  return root.find_node([name](const pugi::xml_node& n) {
    return n.type() == pugi::node_element && LocalName(n) == name;
  });
}

pugi::xml_node Child(const pugi::xml_node& parent, std::string_view name) {
  for (pugi::xml_node child : parent.children()) {
    if (child.type() == pugi::node_element && LocalName(child) == name) return child;
  }
  return {};
}

// The first of the names found in the node or, failing that, in its ancestors' own children.
pugi::xml_node NearestOf(pugi::xml_node node, std::initializer_list<std::string_view> names) {
  for (; node; node = node.parent()) {
    for (std::string_view name : names) {
      if (pugi::xml_node found = Child(node, name)) return found;
    }
  }
  return {};
}

std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  std::size_t at = 0;
  while (at < text.size()) {
    at = text.find_first_not_of(" \t\r\n", at);
    if (at == std::string_view::npos) break;
    const std::size_t end = std::min(text.find_first_of(" \t\r\n", at), text.size());
    tokens.push_back(text.substr(at, end - at));
    at = end;
  }
  return tokens;
}

// "PT353.5S", "PT1H2M3S", "P1DT2H" or a plain number of seconds; negative when unreadable.
double DurationSeconds(std::string_view text) {
  const auto tokens = Tokens(text);
  if (tokens.size() != 1) return -1.0;
  std::string_view t = tokens[0];
  if (const auto plain = StrictNumber(t)) return std::isfinite(*plain) && *plain >= 0 ? *plain : -1;
  if (t.empty() || t[0] != 'P') return -1.0;
  t.remove_prefix(1);
  double seconds = 0.0;
  bool in_time = false, any = false;
  while (!t.empty()) {
    if (t[0] == 'T') {
      in_time = true;
      t.remove_prefix(1);
      continue;
    }
    const std::size_t unit = t.find_first_of("YMWDHS");
    if (unit == std::string_view::npos || unit == 0) return -1.0;
    const auto value = StrictNumber(t.substr(0, unit));
    if (!value || !std::isfinite(*value) || *value < 0) return -1.0;
    const char u = t[unit];
    double factor = 0.0;
    if (u == 'D')
      factor = 86400.0;
    else if (u == 'W')
      factor = 7 * 86400.0;
    else if (in_time && u == 'H')
      factor = 3600.0;
    else if (in_time && u == 'M')
      factor = 60.0;
    else if (in_time && u == 'S')
      factor = 1.0;
    else
      return -1.0;  // years and months have no fixed length
    seconds += *value * factor;
    any = true;
    t.remove_prefix(unit + 1);
  }
  return any ? seconds : -1.0;
}

// "2002-11-07T18:30:00[.fff][zone]" as "2002-11-07 18:30:00"; another text is kept as written.
std::string N42Date(std::string_view text) {
  const auto tokens = Tokens(text);
  if (tokens.empty()) return {};
  std::string date(tokens[0].substr(0, 40));
  if (date.size() >= 19 && date[10] == 'T') {
    date[10] = ' ';
    date.resize(19);
  }
  return date;
}

std::vector<double> Coefficients(const pugi::xml_node& node, bool& ok) {
  std::vector<double> c;
  ok = true;
  for (std::string_view token : Tokens(node.child_value())) {
    const auto value = StrictNumber(token);
    if (!value || !std::isfinite(*value)) ok = false;
    if (c.size() < 8) c.push_back(value ? *value : 0.0);
  }
  return c;
}

pugi::xml_node EnergyCoefficients(const pugi::xml_node& root, const pugi::xml_node& spectrum) {
  // 2011: the spectrum names its calibration; 2006: a Calibration of type Energy inside it.
  const char* reference = spectrum.attribute("energyCalibrationReference").value();
  if (*reference) {
    const pugi::xml_node cal = root.find_node([reference](const pugi::xml_node& n) {
      return LocalName(n) == "EnergyCalibration" &&
             std::strcmp(n.attribute("id").value(), reference) == 0;
    });
    if (cal) return Child(cal, "CoefficientValues");
  }
  for (pugi::xml_node child : spectrum.children()) {
    if (LocalName(child) == "Calibration" &&
        std::string_view(child.attribute("Type").value()) == "Energy") {
      if (pugi::xml_node c = FirstDescendant(child, "Coefficients")) return c;
    }
  }
  if (pugi::xml_node cal = FirstDescendant(root, "EnergyCalibration")) {
    return Child(cal, "CoefficientValues");
  }
  return {};
}

}  // namespace

Outcome ParseN42(std::string_view bytes, StandardSpectrum& out) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed =
      document.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
  if (!parsed) {
    return Outcome::Failure(std::string("not well-formed XML (") + parsed.description() +
                            " at byte " + std::to_string(parsed.offset) + ")");
  }
  // Every Spectrum that holds ChannelData, in document order: the first is read.
  struct SpectrumWalker : pugi::xml_tree_walker {
    int count = 0;
    pugi::xml_node first;
    bool for_each(pugi::xml_node& node) override {
      if (node.type() == pugi::node_element && LocalName(node) == "Spectrum" &&
          Child(node, "ChannelData")) {
        if (count++ == 0) first = node;
      }
      return true;
    }
  } walker;
  document.traverse(walker);
  const int spectra = walker.count;
  const pugi::xml_node spectrum = walker.first;
  if (!spectrum) return Outcome::Failure("no spectrum (Spectrum with ChannelData) in the file");

  const pugi::xml_node channel_data = Child(spectrum, "ChannelData");
  const bool counted_zeroes =
      std::string_view(channel_data.attribute("compressionCode").value()) == "CountedZeroes" ||
      std::string_view(channel_data.attribute("Compression").value()) == "CountedZeroes";
  const auto tokens = Tokens(channel_data.child_value());
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    const auto count = StrictNumber(tokens[k]);
    if (!count) {
      return Outcome::Failure("\"" + std::string(tokens[k].substr(0, 20)) +
                              "\" in ChannelData is not a count");
    }
    if (!(std::fabs(*count) <= kLargestCount)) return Outcome::Failure("a count beyond 1e15");
    if (counted_zeroes && *count == 0.0) {
      // A zero and the number of zeros it stands for; only the channels there is room for are
      // stored, the rest are counted.
      const auto run = k + 1 < tokens.size() ? StrictNumber(tokens[k + 1]) : std::nullopt;
      if (!run || *run < 1 || *run > 1e7 || *run != std::floor(*run)) {
        return Outcome::Failure("a run of zeros in ChannelData without a proper length");
      }
      ++k;
      // Runs are the one place where a few bytes could claim much memory.
      if (out.counts.size() + static_cast<std::size_t>(*run) > kMaxRunChannels) {
        return Outcome::Failure("ChannelData's runs of zeros reach beyond channel 65536");
      }
      out.counts.insert(out.counts.end(), static_cast<std::size_t>(*run), 0.0);
      continue;
    }
    out.counts.push_back(*count);
  }
  if (out.counts.empty()) return Outcome::Failure("the spectrum's ChannelData holds no counts");

  if (pugi::xml_node live = NearestOf(spectrum, {"LiveTimeDuration", "LiveTime"})) {
    const double seconds = DurationSeconds(live.child_value());
    if (seconds < 0) return Outcome::Failure("the live time is not a duration");
    out.facts.live_time = seconds;
  }
  if (pugi::xml_node real = NearestOf(spectrum, {"RealTimeDuration", "RealTime"})) {
    const double seconds = DurationSeconds(real.child_value());
    if (seconds < 0) return Outcome::Failure("the real time is not a duration");
    out.facts.real_time = seconds;
  }
  if (pugi::xml_node start = NearestOf(spectrum, {"StartDateTime", "StartTime"})) {
    out.facts.start_date = N42Date(start.child_value());
  }
  if (pugi::xml_node coefficients = EnergyCoefficients(document, spectrum)) {
    bool ok = true;
    const std::vector<double> c = Coefficients(coefficients, ok);
    bool higher = false;
    for (std::size_t k = 3; k < c.size(); ++k) higher = higher || c[k] != 0.0;
    if (!ok) return Outcome::Failure("the energy calibration holds a value that is no number");
    if (c.size() >= 2 && !higher) {
      const double c2 = c.size() >= 3 ? c[2] : 0.0;
      out.facts.calibration = {c2 != 0.0 ? 3 : 2, c[0], c[1], c2};
    }
  }
  if (spectra > 1) {
    out.note = "The file holds " + std::to_string(spectra) + " spectra; the first is read";
  }
  return Outcome::Success();
}

}  // namespace pektra
