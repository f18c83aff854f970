"""The benchmark's circuits, each written twice from one description: as a
pss netlist with the answers to pss's dialogue, and as the equivalent
ngspice deck, so that both tools solve the same circuit."""

import math

# The LC oscillator: 10 uH, 1 nF (1.59 MHz, Z0 = 100 Ohm) with a saturating
# negative resistor R(u) = -(a + b u^2), a = Rp / 2, b = 0.72 Rp, which
# holds the amplitude near 1 V at every Q (the 1 Hz example scaled).
OSC_L = 10e-6
OSC_C = 1e-9
OSC_F0 = 1.0 / (2.0 * math.pi * math.sqrt(OSC_L * OSC_C))
OSC_Z0 = math.sqrt(OSC_L / OSC_C)


def discrete_natural_frequency(planes):
    """The tank's natural frequency on N planes (backward capacitor,
    explicit inductor): f0 / ((N / pi) sin(pi / N))."""
    return OSC_F0 / ((planes / math.pi) * math.sin(math.pi / planes))


def planes_for_period_error(error):
    """The fewest planes whose discrete natural period, T0 (N / pi)
    sin(pi / N), lies within `error` of T0 (relative): about pi^2 / 6N^2."""
    planes = 4
    while 1.0 - (planes / math.pi) * math.sin(math.pi / planes) > error:
        planes += 1
    return planes


def oscillator(q, planes):
    rp = q * OSC_Z0
    a, b = rp / 2.0, 0.72 * rp
    netlist = (
        f"* LC oscillator, 1.59 MHz, Q {q}: L = 10 uH, C = 1 nF, Rp = {rp:g} Ohm,\n"
        f"* negative resistor R(u) = -({a:g} + {b:g} u^2)\n"
        f"C1 o 0 1n\nRP o 0 {rp:g}\nRN o 0 POLY({-a:g} 0 {-b:g}) LIMITS(-10 10)\n"
        f"L1 o 0 10u\n.osc o {OSC_F0:.10g} 1\n")
    # The start needs no search: the fixed-period run is set at the discrete
    # natural frequency of the planes.
    answers = f"1e-9\nn\n{discrete_natural_frequency(planes):.10g}\nn\ny\n{planes}\nn\n0.0\n"
    period = 1.0 / OSC_F0
    step = period / 200.0
    deck = (
        f"* LC oscillator, 1.59 MHz, Q {q}\n"
        f"C1 o 0 1n\nRP o 0 {rp:g}\nL1 o 0 10u\n"
        f"B1 o 0 I=-V(o)/({a:g} + {b:g}*V(o)*V(o))\n"
        ".ic V(o)=10m\n"
        f".tran {step:.6e} {{tstop}} 0 {step:.6e} uic\n")
    # The amplitude grows and settles at about w0 / (2 Q) per second, an
    # e-fold every Q / pi periods: from 10 mV to within 1e-3, about 12.
    return {"netlist": netlist, "answers": answers, "deck": deck, "node": "o",
            "period": period, "kind": "oscillator", "state": "O0",
            "settle_hint": 12.0 * q / math.pi + 50, "ngspice_nodes": 1}


def rectifier(planes, source_ohms=0):
    # 5 V, 50 Hz half-wave into 10 kOhm || 200 uF: RC = 2 s, 100 periods.
    # Straight from the source the diode recharges the capacitor at every
    # peak and the load's time constant only sets the ripple; behind a
    # source resistance the charge builds up over many periods.
    title = "* Half-wave rectifier, RC load of 100 periods" + (
        f", {source_ohms:g} Ohm source" if source_ohms else "")
    front = (f"RS in a {source_ohms:g}\nD1 a out " if source_ohms else "D1 in out ")
    netlist = f"{title}\nV1 in 0 SIN(5)\n{front}1n\nRL out 0 10k\nCL out 0 200u\n"
    answers = f"1e-9\nn\n50\ny\ny\n{planes}\n"
    period = 0.02
    step = period / 200.0
    deck = (f"{title}\nV1 in 0 SIN(0 5 50)\n{front}dmod\n.model dmod D(IS=1n)\n"
            "RL out 0 10k\nCL out 0 200u\n"
            f".tran {step:.6e} {{tstop}} 0 {step:.6e}\n")
    # Behind the source resistance the charge builds up over about
    # RS·C = 10 periods per conducting fraction of a period.
    return {"netlist": netlist, "answers": answers, "deck": deck, "node": "out",
            "period": period, "kind": "mean", "state": "0",
            "settle_hint": 400.0 if source_ohms else 40.0, "ngspice_nodes": 2}


def rc_ladder(sections, planes):
    # 1 kOhm, 1 nF a section, driven by 1 V at 100 Hz.
    lines = [f"* RC ladder of {sections} sections", "V1 in 0 SIN(1)"]
    spice = [f"* RC ladder of {sections} sections", "V1 in 0 SIN(0 1 100)"]
    prev = "in"
    for i in range(1, sections + 1):
        node = f"n{i}"
        for out in (lines, spice):
            out.append(f"R{i} {prev} {node} 1k")
            out.append(f"C{i} {node} 0 1n")
        prev = node
    # The slowest mode of a ladder driven at one end decays with
    # tau = R C (2 n / pi)^2; settling to 1e-5 takes about 11.5 tau.
    tau = 1e3 * 1e-9 * (2 * sections / math.pi) ** 2
    return driven(lines, spice, planes, 100.0, prev, 11.5 * tau * 100.0, sections)


def rlc_ladder(sections, planes):
    # 10 Ohm and 1 mH in series, 1 uF across, a section (5 kHz per
    # section, Q 3.2), driven by 1 V at 1 kHz.
    lines = [f"* RLC ladder of {sections} sections", "V1 in 0 SIN(1)"]
    spice = [f"* RLC ladder of {sections} sections", "V1 in 0 SIN(0 1 1000)"]
    prev = "in"
    for i in range(1, sections + 1):
        mid, node = f"m{i}", f"n{i}"
        lines += [f"R{i} {prev} {mid} 10", f"L{i} {mid} {node} 1m", f"C{i} {node} 0 1u"]
        # pss observes an inductor's current through a 1e-4 Ohm sense
        # resistor in series; the deck carries it too.
        spice += [f"R{i} {prev} {mid} 10", f"L{i} {mid} s{i} 1m", f"RS{i} s{i} {node} 1e-4",
                  f"C{i} {node} 0 1u"]
        prev = node
    # Far below its cutoff the ladder diffuses like an RC one (R = 10 Ohm,
    # C = 1 uF): tau = R C (2 n / pi)^2.
    tau = 10.0 * 1e-6 * (2 * sections / math.pi) ** 2
    return driven(lines, spice, planes, 1000.0, prev, 11.5 * tau * 1000.0, 3 * sections)


def rc_grid(side, planes):
    # side x side nodes, 1 kOhm between neighbours, 1 nF from each to
    # ground, driven by 1 V at 100 Hz at one corner through 1 kOhm.
    lines = [f"* RC grid of {side} x {side} nodes driven at one corner", "V1 in 0 SIN(1)",
             "RIN in g0_0 1k"]
    spice = [f"* RC grid of {side} x {side} nodes driven at one corner",
             "V1 in 0 SIN(0 1 100)", "RIN in g0_0 1k"]
    k = 0
    for x in range(side):
        for y in range(side):
            node = f"g{x}_{y}"
            k += 1
            for out in (lines, spice):
                out.append(f"C{k} {node} 0 1n")
                if x + 1 < side:
                    out.append(f"RX{k} {node} g{x + 1}_{y} 1k")
                if y + 1 < side:
                    out.append(f"RY{k} {node} g{x}_{y + 1} 1k")
    # The slowest mode of the grid: tau about R C (4 side / pi)^2 / 2.
    tau = 1e3 * 1e-9 * (4 * side / math.pi) ** 2 / 2.0
    return driven(lines, spice, planes, 100.0, f"g{side - 1}_{side - 1}",
                  11.5 * tau * 100.0, side * side)


def driven(lines, spice, planes, frequency, far_node, settle_periods, nodes):
    period = 1.0 / frequency
    step = period / 200.0
    spice.append(f".tran {step:.6e} {{tstop}} 0 {step:.6e}")
    return {"netlist": "\n".join(lines) + "\n",
            "answers": f"1e-9\nn\n{frequency:g}\ny\ny\n{planes}\n",
            "deck": "\n".join(spice) + "\n", "node": far_node, "period": period,
            "kind": "waveform", "state": "0", "settle_hint": settle_periods + 20.0,
            "ngspice_nodes": nodes}


def suite(smoke=False):
    """(name, circuit, planes, description) for every case."""
    cases = []
    if smoke:
        for planes in (64,):
            cases.append(("osc_q50", oscillator(50, planes), planes))
            cases.append(("rectifier", rectifier(planes), planes))
            cases.append(("rc_ladder_10", rc_ladder(10, planes), planes))
            cases.append(("rc_ladder_100", rc_ladder(100, planes), planes))
        return cases
    for q in (50, 5000):
        for planes in (64, 256, 1024):
            cases.append((f"osc_q{q}", oscillator(q, planes), planes))
    for planes in (64, 256, 1024):
        cases.append(("rectifier", rectifier(planes), planes))
    for planes in (64, 256, 1024):
        cases.append(("rectifier_1k_source", rectifier(planes, 1000), planes))
    for sections in (10, 100, 1000):
        for planes in (64, 256, 1024):
            cases.append((f"rc_ladder_{sections}", rc_ladder(sections, planes), planes))
    for sections in (10, 100, 1000):
        for planes in (64, 256, 1024):
            cases.append((f"rlc_ladder_{sections}", rlc_ladder(sections, planes), planes))
    for planes in (64, 256, 1024):
        cases.append(("rc_grid_30x30", rc_grid(30, planes), planes))
    return cases
