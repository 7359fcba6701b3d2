// Tokenises descriptions with the grammar through vscode-textmate and
// vscode-oniguruma, the engine VS Code runs, and checks the scopes against
// the way the reader itself sees the fields.
//
// The texts are the examples/ pair and, when BINARIO names a built binario
// program, the built-in pair that `binario sources` writes.
'use strict';

const assert = require('node:assert/strict');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { before, describe, test } = require('node:test');
const textmate = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const PACKAGE = path.join(__dirname, '..');
const REPO = path.join(PACKAGE, '..', '..');

// Every key text of both descriptions, as the reader tests a keyword field:
// a record is recognised when the field contains all its words; `cased` words
// must match their letter case, the others match in any case.
const KEYS = [
  { record: 'lunghezza percorso', words: ['lunghezza', 'percorso'] },
  { record: 'progressiva chilometrica uno', words: ['progressiva', 'uno'], cased: true },
  { record: 'progressiva chilometrica due', words: ['progressiva', 'due'], cased: true },
  { record: 'progressiva chilometrica tre', words: ['progressiva', 'tre'], cased: true },
  { record: 'sfondo uno', words: ['sfondo', 'uno'], cased: true },
  { record: 'sfondo due', words: ['sfondo', 'due'], cased: true },
  { record: 'sfondo tre', words: ['sfondo', 'tre'], cased: true },
  { record: 'ripetizione segnali 4 codici', words: ['ripetizione', 'segnali'], cased: true },
  { record: 'pendenza', words: ['pendenza'] },
  { record: 'curvad3', words: ['curva'] },
  { record: 'montagna', words: ['montagna'] },
  { record: 'indicatori_vmax', words: ['indicatori_v'] },
  { record: 'cartello indicatore', words: ['cartello', 'indicat'] },
  { record: 'percentuale massa frenata', words: ['massa', 'frenata'] },
  { record: 'numero vetture', words: ['vetture'] },
  { record: "velocita' limite", words: ['velocit'] },
  { record: 'aderenza', words: ['aderenza'] },
  { record: 'orologio', words: ['orologio'] },
  { record: 'sabbia', words: ['sabbia'] },
  { record: 'segnale', words: ['segnale'] },
  { record: 'rallentamento', words: ['rallentamento'] },
  { record: 'abbattimento', words: ['abbattimento'] },
  { record: 'stazione', words: ['stazione'] },
];

function keysOf(field) {
  return KEYS.filter(({ words, cased }) =>
    words.every((w) => (cased ? field.includes(w) : field.toLowerCase().includes(w)))
  );
}

const SIGNED_INTEGER = /^[-+]?\d+$/;

let grammar;

before(async () => {
  const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm'));
  await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
  const grammarPath = path.join(PACKAGE, 'syntaxes', 'binario.tmLanguage.json');
  const registry = new textmate.Registry({
    onigLib: Promise.resolve({
      createOnigScanner: (sources) => new oniguruma.OnigScanner(sources),
      createOnigString: (text) => new oniguruma.OnigString(text),
    }),
    loadGrammar: async () => textmate.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath),
  });
  grammar = await registry.loadGrammar('source.binario');
  assert.ok(grammar, 'the grammar loads');
});

// The lines of `text`, each with its tokens: { text, tokens: [{ start, end, scopes }] }.
function tokenise(text) {
  let state = textmate.INITIAL;
  return text.split(/\r\n|\r|\n/).map((line) => {
    const result = grammar.tokenizeLine(line, state);
    state = result.ruleStack;
    const tokens = result.tokens.map((t, i) => ({
      start: t.startIndex,
      end: i + 1 < result.tokens.length ? result.tokens[i + 1].startIndex : line.length,
      scopes: t.scopes,
    }));
    return { text: line, tokens };
  });
}

// Asserts that every non-blank character from `start` to `end` carries a
// scope `prefix` or `prefix.*` (or, with `present` false, that none does).
function assertScoped(line, start, end, prefix, present = true) {
  for (let c = start; c < end; c++) {
    if (/\s/.test(line.text[c])) continue;
    const { scopes } = line.tokens.find((t) => t.start <= c && c < t.end);
    const has = scopes.some((s) => s === prefix || s.startsWith(prefix + '.'));
    assert.equal(
      has,
      present,
      `${JSON.stringify(line.text.slice(start, end))} in ${JSON.stringify(line.text)}: ` +
        `column ${c} is ${scopes.join(' ')}, ${present ? 'expected' : 'unexpected'} ${prefix}`
    );
  }
}

function assertNotScoped(line, start, end, prefix) {
  assertScoped(line, start, end, prefix, false);
}

// The fields of a line as the reader cuts them (no quoted fields in these texts).
function fieldsOf(text) {
  const fields = [];
  let start = 0;
  for (const part of text.split(',')) {
    const lead = part.length - part.trimStart().length;
    fields.push({ text: part.trim(), start: start + lead, end: start + part.trimEnd().length });
    start += part.length + 1;
  }
  return fields;
}

function decode(file) {
  return new TextDecoder('windows-1252').decode(fs.readFileSync(file));
}

function descriptions() {
  const folder = path.join(REPO, 'examples');
  const texts = fs
    .readdirSync(folder)
    .filter((name) => name.endsWith('.txt'))
    .map((name) => ({ name, text: decode(path.join(folder, name)) }));
  const program = process.env.BINARIO;
  if (program) {
    const out = fs.mkdtempSync(path.join(os.tmpdir(), 'binario-grammar-'));
    try {
      childProcess.execFileSync(program, ['sources', '-C', out], { stdio: ['ignore', 'ignore', 'inherit'] });
      for (const name of fs.readdirSync(out).filter((n) => /(_linea|-)\.txt$/.test(n))) {
        texts.push({ name: `built-in ${name}`, text: decode(path.join(out, name)) });
      }
    } finally {
      fs.rmSync(out, { recursive: true, force: true });
    }
  }
  return texts;
}

// The lines of a description from its "[generale]" line on, with their index.
function bodyLines(lines) {
  const first = lines.findIndex((l) => l.text.toLowerCase().includes('[generale]'));
  assert.ok(first >= 0, 'the description has a [generale] line');
  return lines.slice(first).map((line, i) => ({ line, index: first + i }));
}

describe('the grammar over the descriptions', () => {
  const texts = descriptions();
  if (!process.env.BINARIO) {
    test('the built-in descriptions (set BINARIO to a built binario program)', { skip: true }, () => {});
  } else {
    test('binario sources wrote both built-in descriptions', () => {
      assert.equal(texts.filter((t) => t.name.startsWith('built-in')).length, 2);
    });
  }

  for (const { name, text } of texts) {
    describe(name, () => {
      let lines;
      before(() => {
        lines = tokenise(text);
      });

      test('the preamble before [generale] is a comment, hyphens and all', () => {
        const start = bodyLines(lines)[0].index;
        assert.ok(start > 0, 'the description has a preamble');
        for (const line of lines.slice(0, start)) assertScoped(line, 0, line.text.length, 'comment.block');
        const header = lines[start];
        assertNotScoped(header, 0, header.text.length, 'comment');
      });

      test('keyword fields are keywords, and nothing else is', () => {
        for (const { line } of bodyLines(lines)) {
          const fields = fieldsOf(line.text);
          const inStation = keysOf(fields[0].text).some((k) => k.record === 'stazione');
          fields.forEach((field, i) => {
            const comment = field.text.includes('-') && !SIGNED_INTEGER.test(field.text);
            // A station's name is its last value, not a keyword field.
            const value = inStation && i > 0;
            if (keysOf(field.text).length > 0 && !comment && !value) {
              assertScoped(line, field.start, field.end, 'keyword.other');
            } else {
              assertNotScoped(line, field.start, field.end, 'keyword');
            }
          });
        }
      });

      test('numeric fields are numbers, signs included', () => {
        let numbers = 0;
        for (const { line } of bodyLines(lines)) {
          if (/^\s*-/.test(line.text)) continue;
          for (const field of fieldsOf(line.text)) {
            // The 4 of "ripetizione segnali 4 codici" belongs to its keyword.
            if (keysOf(field.text).length > 0) continue;
            // A number ends at a blank: "7   30   0" holds three of them.
            let column = field.start;
            for (const word of field.text.split(/(\s+)/)) {
              if (SIGNED_INTEGER.test(word)) {
                assertScoped(line, column, column + word.length, 'constant.numeric');
                numbers++;
              }
              column += word.length;
            }
          }
        }
        assert.ok(numbers > 20, `${numbers} numbers seen`);
      });

      test('comment lines and section headers', () => {
        let comments = 0;
        let sections = 0;
        for (const { line } of bodyLines(lines)) {
          const fields = fieldsOf(line.text);
          if (fields[0].text.startsWith('-')) {
            assertScoped(line, fields[0].start, fields[0].end, 'comment.line');
            comments++;
          }
          const header = /^\s*\[([^\]]*)\]\s*$/.exec(line.text);
          if (header) {
            const open = line.text.indexOf('[');
            assertScoped(line, open, open + header[1].length + 2, 'markup.heading');
            assertScoped(line, open + 1, open + 1 + header[1].length, 'entity.name.section');
            sections++;
          }
        }
        assert.ok(sections >= 6, `${sections} section headers seen`);
        assert.ok(comments >= 1, `${comments} comment lines seen`);
      });
    });
  }

  test('the examples use every keyword of the table', () => {
    const seen = new Set();
    for (const { text } of texts.filter((t) => !t.name.startsWith('built-in'))) {
      for (const line of text.split(/\r\n|\r|\n/)) {
        for (const field of fieldsOf(line)) {
          if (!field.text.includes('-')) keysOf(field.text).forEach((k) => seen.add(k.record));
        }
      }
    }
    assert.deepEqual(
      KEYS.map((k) => k.record).filter((r) => !seen.has(r)),
      [],
      'keywords missing from examples/'
    );
  });
});

describe('the grammar on single records', () => {
  // Tokenises a description whose body holds `body`; returns the body's lines.
  function body(...records) {
    return tokenise(['title', '[generale]', ...records].join('\r\n')).slice(2);
  }

  test('every keyword of the table, as the writer writes it and in capitals where case is free', () => {
    for (const { record, cased } of KEYS) {
      const forms = cased ? [record] : [record, record.toUpperCase(), `xx ${record} yy`];
      for (const form of forms) {
        const [line] = body(`${form}, 100, 2`);
        assertScoped(line, 0, form.length, 'keyword.other');
        assertScoped(line, form.length + 2, form.length + 5, 'constant.numeric');
      }
    }
  });

  test('case-sensitive words in another case make no keyword', () => {
    for (const form of ['Progressiva chilometrica uno', 'SFONDO UNO', 'ripetizione Segnali 4 codici', 'sfondo Uno']) {
      const [line] = body(`${form}, 0`);
      assertNotScoped(line, 0, form.length, 'keyword');
    }
  });

  test('a field with a hyphen is a comment even when it holds a keyword; a negative number is not', () => {
    const [line, gradient] = body('- pendenza, 300, 4', 'pendenza, 300, -4');
    assertScoped(line, 0, 10, 'comment.line');
    assertScoped(line, 12, 15, 'constant.numeric');
    assertScoped(gradient, 15, 17, 'constant.numeric');
    assertNotScoped(gradient, 15, 17, 'comment');
    // A comment ends at its comma: what follows is the next field.
    const [after] = body('-  pos. tipo, segnale, 10');
    assertScoped(after, 0, 12, 'comment.line');
    assertScoped(after, 14, 21, 'keyword.other');
  });

  test('names and board texts are strings, hyphens included', () => {
    const [station, board] = body(
      'stazione,  2750,  2,  600,  0, 0, 1,  1,1,0,  4,1,1,    0,   7,34,30, SAN-MARCO - BORGO',
      'cartello indicatore,  2950,    (  Km. ) (3.000)'
    );
    const name = station.text.indexOf('SAN');
    assertScoped(station, name, station.text.length, 'string.unquoted');
    assertNotScoped(station, name, station.text.length, 'comment');
    assertScoped(station, 10, 14, 'constant.numeric');
    const text = board.text.indexOf('(');
    assertScoped(board, text, board.text.length, 'string.unquoted');
    assertNotScoped(board, text, board.text.length, 'constant.numeric');
  });

  test('a quoted text runs over lines and commas to its closing quote', () => {
    const lines = body('cartello indicatore, 100, "(Km.), - (0.100)', 'seconda riga" ,', 'pendenza, 300, 4');
    const open = lines[0].text.indexOf('"');
    assertScoped(lines[0], open, lines[0].text.length, 'string.quoted.double');
    assertNotScoped(lines[0], open, lines[0].text.length, 'comment');
    assertScoped(lines[1], 0, 13, 'string.quoted.double');
    assertNotScoped(lines[1], 14, 15, 'string');
    assertScoped(lines[2], 0, 8, 'keyword.other');
  });

  test('a description without a preamble starts at once', () => {
    const [header, gradient] = tokenise('[generale]\r\nlunghezza percorso, 1000');
    assertScoped(header, 0, 10, 'markup.heading');
    assertScoped(gradient, 0, 18, 'keyword.other');
  });
});
