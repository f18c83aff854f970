// The texts pss-wave writes, one file each. Every writer shows the nodes of
// the selection in its order.
#pragma once

#include <string>
#include <vector>

#include "tools/pss_wave/selection.h"
#include "tools/pss_wave/waveforms.h"

namespace pss {

// The '#' lines that open the table and the harmonics report: the job, the
// state file, the plane and slot counts, and the slot's period and frequency.
std::string heading_lines(const waveforms& w, const selection& s);

// Header lines with the period and frequency, then one row per plane: the
// plane, its time in seconds and each node's voltage in the selected slot.
std::string table_text(const waveforms& w, const selection& s);

// A header row and one row per plane: time, then each node's voltage; a
// two-slot file adds slot 1's time and voltages as further columns. Every
// slot is written whatever the selection's slot; values in full precision.
std::string csv_text(const waveforms& w, const selection& s);

// A SPICE ASCII raw file of one period of the selected slot: the planes and
// the end of the period, which repeats plane 0. `date` fills the Date line.
std::string raw_text(const waveforms& w, const selection& s, const std::string& date);

// An SVG 1.1 plot of `periods` periods of the selected slot, with axes, tick
// labels and a legend.
std::string svg_text(const waveforms& w, const selection& s, int periods);

// An SVG 1.1 bar chart of the harmonics of the selected slot, per harmonic
// one bar for each trace; on a dB scale with `decibels`. The traces must
// all be voltages or all currents.
std::string spectrum_svg_text(const waveforms& w, const selection& s, bool decibels);

// One line for each trace of the selection whose alternation between even
// and odd planes exceeds alternation_limit, saying what to do.
std::vector<std::string> alternation_warnings(const waveforms& w, const selection& s);

// Per node the DC term, every harmonic that matters and the THD.
std::string harmonics_text(const waveforms& w, const selection& s);

}  // namespace pss
