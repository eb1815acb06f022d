#!/usr/bin/env python3
"""Writes engine/src/index/sort_weights_data.inc from the recorded text weights.

usage: generate_sort_weights.py INDEX_CODES_DIR > engine/src/index/sort_weights_data.inc

INDEX_CODES_DIR holds the per-character figures of Access's text sort orders,
one line per UTF-16 code unit (surrogates left out):

    index_codes_gen_97.txt          General 97, U+0000-U+00FF
    index_mappings_ext_gen_97.txt   General 97: "from,to" pairs mapping later characters to one below U+0100
    index_codes_genleg.txt          General Legacy, U+0000-U+00FF
    index_codes_ext_genleg.txt      General Legacy, U+0100-U+FFFF
    index_codes_gen.txt             General, U+0000-U+00FF
    index_codes_ext_gen.txt         General, U+0100-U+FFFF

A line is a kind letter and comma-separated hex byte strings (a leading zero
may be missing): S<primary>, I<primary>,<extra>, U<bytes>, P<modifier>,
Z<primary>,<extra>,<flag> (flag 1: crazy code 2, else 3), G<primary>, X.

The output is one byte stream in the format sort_weights.cpp reads, written
as base64 text in C++ string literals (one per line), and the General 97
mappings. The stream describes the code units of General 97, General Legacy
and General in turn, in code-unit order, surrogates left out; each record
starts with a byte whose top three bits say what it is:

    000nnnnn  n+1 ignored code units        (n = 31: 32 + a LEB128 count follow)
    001nnnnn  n+1 code units, each the one before with its primary weight + 1
    010nnnnn  n+1 code units, each the same as the one before
    011kkkkk  one code unit of kind k, then its bytes:
              1 simple, 6 significant, 3 unprintable: length, bytes
              2 international: length, primary, length, extra
              4 extra-code modifier: the modifier byte
              5 crazy: length, primary, length, extra, crazy code (2 or 3)

Two lists follow, derived from the figures, for the positions of the extra
and unprintable codes (Access counts them per sort element, not per code
unit):

  expansions  code units that Access weighs as several letters, such as ß
              as "ss" or Æ as "ae", with the number of positions each takes.
              General 97 counts positions only for the letters that have
              accented forms (its "significant" ones), so there an expansion
              takes one for each such letter it stands for. In the other
              orders a unit is an expansion when its primary weight is the
              weights of two or more letters or digits one after the other,
              found by splitting it into the weights of units that cannot be
              split themselves.
  uncertain   code units of General Legacy and General whose split disagrees
              with the length of their extra code (one extra code per
              position is the rule everywhere else): the positions after
              them are not known, so keys that depend on them are not made.

The script decodes what it wrote and stops if that differs from its input.
"""
import base64
import os
import sys

KINDS = {'S': 1, 'I': 2, 'U': 3, 'P': 4, 'Z': 5, 'G': 6}
IGNORED, STEP, REPEAT, LITERAL = 0, 1, 2, 3
SURROGATES = range(0xD800, 0xE000)


def hex_bytes(text):
    if text == '':
        return b''
    if len(text) % 2:
        text = '0' + text
    return bytes.fromhex(text)


def parse_line(line):
    """A code unit as (kind, primary, extra, aux); kind 0 = ignored."""
    letter, fields = line[0], (line[1:].split(',') if len(line) > 1 else [])
    if letter == 'X':
        return (0, b'', b'', 0)
    kind = KINDS[letter]
    if letter in 'SGU':
        return (kind, hex_bytes(fields[0]), b'', 0)
    if letter == 'I':
        return (kind, hex_bytes(fields[0]), hex_bytes(fields[1]), 0)
    if letter == 'P':
        modifier = hex_bytes(fields[0])
        assert len(modifier) == 1, line
        return (kind, b'', b'', modifier[0])
    assert letter == 'Z' and len(fields) == 3, line
    return (kind, hex_bytes(fields[0]), hex_bytes(fields[1]), 2 if fields[2] == '1' else 3)


def read_lines(directory, name):
    with open(os.path.join(directory, name), encoding='ascii') as f:
        return [parse_line(line.rstrip('\n')) for line in f if line.strip()]


def stepped(unit):
    kind, primary, extra, aux = unit
    value = int.from_bytes(primary, 'big') + 1
    if not primary or value >= 1 << (8 * len(primary)):
        return None
    return (kind, value.to_bytes(len(primary), 'big'), extra, aux)


def leb128(n):
    out = bytearray()
    while True:
        byte, n = n & 0x7F, n >> 7
        out.append(byte | (0x80 if n else 0))
        if not n:
            return bytes(out)


def run_header(op, count):
    if count <= 31:
        return bytes([op << 5 | (count - 1)])
    return bytes([op << 5 | 31]) + leb128(count - 32)


def literal(unit):
    kind, primary, extra, aux = unit
    out = bytearray([LITERAL << 5 | kind])
    if kind == KINDS['P']:
        out.append(aux)
    else:
        out += bytes([len(primary)]) + primary
        if kind in (KINDS['I'], KINDS['Z']):
            out += bytes([len(extra)]) + extra
        if kind == KINDS['Z']:
            out.append(aux)
    return bytes(out)


def encode(units):
    out = bytearray()
    i, previous = 0, None
    while i < len(units):
        unit = units[i]
        for op, follows in ((IGNORED, lambda p, u: u[0] == 0),
                            (REPEAT, lambda p, u: p is not None and u == p),
                            (STEP, lambda p, u: p is not None and stepped(p) == u)):
            n, p = 0, previous
            while i + n < len(units) and follows(p, units[i + n]):
                p = units[i + n]
                n += 1
            if n:
                out += run_header(op, n)
                i, previous = i + n, p
                break
        else:
            out += literal(unit)
            i, previous = i + 1, unit
    return bytes(out)


def decode(data, count):
    """Inverse of encode, to check it."""
    units, at, previous = [], 0, None
    while len(units) < count:
        head = data[at]
        at += 1
        op, n = head >> 5, head & 31
        if op == LITERAL:
            kind = n
            if kind == KINDS['P']:
                unit = (kind, b'', b'', data[at])
                at += 1
            else:
                length = data[at]
                primary = data[at + 1:at + 1 + length]
                at += 1 + length
                extra, aux = b'', 0
                if kind in (KINDS['I'], KINDS['Z']):
                    length = data[at]
                    extra = data[at + 1:at + 1 + length]
                    at += 1 + length
                if kind == KINDS['Z']:
                    aux = data[at]
                    at += 1
                unit = (kind, bytes(primary), bytes(extra), aux)
            units.append(unit)
            previous = unit
            continue
        run = n + 1
        if n == 31:
            shift, extra_count = 0, 0
            while True:
                byte = data[at]
                at += 1
                extra_count |= (byte & 0x7F) << shift
                shift += 7
                if not byte & 0x80:
                    break
            run = 32 + extra_count
        for _ in range(run):
            if op == IGNORED:
                previous = (0, b'', b'', 0)
            elif op == STEP:
                previous = stepped(previous)
            units.append(previous)
    return units, at


def general97_expansions(units):
    """Units whose primary weight spells several significant letters."""
    significant = {u[1] for u in units if u[0] == KINDS['G']}
    out = {}
    for unit, (kind, primary, _, _) in enumerate(units):
        if kind == KINDS['S'] and len(primary) > 1:
            letters = sum(1 for b in primary if bytes([b]) in significant)
            if letters:
                out[unit] = letters
    return out


def code_unit(index):
    """The code unit of the index-th record of a table that leaves the surrogates out."""
    return index if index < SURROGATES.start else index + len(SURROGATES)


def expansions_and_uncertain(units):
    """Expansions {unit: positions} and uncertain units of General Legacy or General."""
    import unicodedata
    primaries = {code_unit(i): u[1] for i, u in enumerate(units)
                 if u[0] in (KINDS['S'], KINDS['I'], KINDS['Z']) and u[1]}
    # Weights of letters and digits, less those that split into others.
    pieces = {p for unit, p in primaries.items() if unicodedata.category(chr(unit))[0] in 'LN'}

    def split(weight, allowed):
        """The fewest pieces of `allowed` (other than weight itself) spelling weight, or None."""
        best = [0] + [None] * len(weight)
        for i in range(len(weight)):
            if best[i] is None:
                continue
            for j in range(i + 1, len(weight) + 1):
                part = weight[i:j]
                if part != weight and part in allowed and (best[j] is None or best[j] > best[i] + 1):
                    best[j] = best[i] + 1
        return best[-1]

    changed = True
    while changed:
        changed = False
        for weight in sorted(pieces, key=len, reverse=True):
            if split(weight, pieces):
                pieces.discard(weight)
                changed = True
    expansions, uncertain = {}, []
    for i, (kind, primary, extra, _) in enumerate(units):
        unit = code_unit(i)
        if unit not in primaries:
            continue
        positions = 1 if primary in pieces else (split(primary, pieces) or 1)
        if positions > 1:
            expansions[unit] = positions
        if kind in (KINDS['I'], KINDS['Z']) and extra and len(extra) != positions:
            uncertain.append(unit)
    return expansions, uncertain


def print_expansions(name, expansions):
    print(f'constexpr std::pair<char16_t, uint8_t> {name}[] = {{')
    items = sorted(expansions.items())
    for i in range(0, len(items), 6):
        print('    ' + ' '.join(f'{{0x{u:04X}, {n}}},' for u, n in items[i:i + 6]))
    print('};')


def print_units(name, units):
    print(f'constexpr std::array<char16_t, {len(units)}> {name} = {{')
    for i in range(0, len(units), 10):
        print('    ' + ' '.join(f'0x{u:04X},' for u in units[i:i + 10]))
    print('};')


def c_lines(data, indent='    '):
    # One literal per line: compilers need not take string literals of more than 64 KB.
    text = base64.b64encode(data).decode('ascii')
    width = 100
    return '\n'.join(f'{indent}"{text[i:i + width]}",' for i in range(0, len(text), width))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    directory = sys.argv[1]
    tables = [
        ('General 97', read_lines(directory, 'index_codes_gen_97.txt'), 0x100),
        ('General Legacy',
         read_lines(directory, 'index_codes_genleg.txt') + read_lines(directory, 'index_codes_ext_genleg.txt'),
         0x10000 - len(SURROGATES)),
        ('General', read_lines(directory, 'index_codes_gen.txt') + read_lines(directory, 'index_codes_ext_gen.txt'),
         0x10000 - len(SURROGATES)),
    ]
    stream = bytearray()
    for name, units, count in tables:
        if len(units) != count:
            sys.exit(f'{name}: {len(units)} code units, expected {count}')
        encoded = encode(units)
        decoded, used = decode(encoded, count)
        if decoded != units or used != len(encoded):
            sys.exit(f'{name}: the encoded table does not read back')
        stream += encoded

    mappings = []
    with open(os.path.join(directory, 'index_mappings_ext_gen_97.txt'), encoding='ascii') as f:
        for line in f:
            if line.strip():
                source, target = (int(x) for x in line.split(','))
                mappings.append((source, target))
    mappings.sort()

    print('// Generated by tools/sort-weights/generate_sort_weights.py; do not edit.')
    print('// The character weights of Access\'s text sort orders (see NOTICE), in the')
    print('// format described in that script and read by sort_weights.cpp.')
    print('// clang-format off')
    print(f'constexpr size_t kSortWeightStreamSize = {len(stream)};')
    print('constexpr const char* kSortWeightStream[] = {')
    print(c_lines(bytes(stream)))
    print('};')
    print('// General 97: characters above U+00FF that weigh as one below it.')
    print('constexpr std::pair<char16_t, uint8_t> kGeneral97Mappings[] = {')
    for i in range(0, len(mappings), 6):
        print('    ' + ' '.join(f'{{0x{s:04X}, 0x{t:02X}}},' for s, t in mappings[i:i + 6]))
    print('};')
    print('// Expansions: code units that count as several positions of the extra codes.')
    print_expansions('kGeneral97Expansions', general97_expansions(tables[0][1]))
    legacy_expansions, legacy_uncertain = expansions_and_uncertain(tables[1][1])
    general_expansions, general_uncertain = expansions_and_uncertain(tables[2][1])
    print_expansions('kGeneralLegacyExpansions', legacy_expansions)
    print_expansions('kGeneralExpansions', general_expansions)
    print('// Code units after which the positions of extra codes are not known.')
    print_units('kGeneralLegacyUncertain', legacy_uncertain)
    print_units('kGeneralUncertain', general_uncertain)
    print('// clang-format on')


if __name__ == '__main__':
    main()
