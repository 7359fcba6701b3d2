// Drives the real `binario lsp` through vscode-jsonrpc, the protocol library
// VS Code's client uses: a pair with two records on one cell gets its
// diagnostic at the field, a fix clears it, a misspelt keyword gets a quick
// fix whose edit clears its warning, the outline lists the records, and the
// server ends with status 0 after shutdown and exit. Formatting lays a pair
// out as `binario format` does and leaves a laid-out text alone.
//
// Needs BINARIO naming a built binario program; skipped without it.
'use strict';

const assert = require('node:assert/strict');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { test } = require('node:test');
const rpc = require('vscode-jsonrpc/node');

const REPO = path.join(__dirname, '..', '..', '..');

function example(name) {
  return decodeWindows1252(fs.readFileSync(path.join(REPO, 'examples', name)));
}

// Windows-1252 both ways. Node 20's TextDecoder('windows-1252') reads the
// bytes 0x80-0x9F as Latin-1 control characters, so the table is here: those
// bytes' characters (the five the code page leaves unassigned stay controls),
// every other byte is the character of its number.
const HIGH_CONTROLS = [
  0x20ac, 0x81, 0x201a, 0x192, 0x201e, 0x2026, 0x2020, 0x2021, 0x2c6, 0x2030, 0x160, 0x2039, 0x152, 0x8d, 0x17d, 0x8f,
  0x90, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014, 0x2dc, 0x2122, 0x161, 0x203a, 0x153, 0x9d, 0x17e, 0x178,
];
const FROM_BYTE = Array.from({ length: 256 }, (_, b) => String.fromCharCode(b >= 0x80 && b < 0xa0 ? HIGH_CONTROLS[b - 0x80] : b));
const TO_BYTE = new Map(FROM_BYTE.map((c, b) => [c, b]));
function decodeWindows1252(bytes) {
  return Array.from(bytes, (b) => FROM_BYTE[b]).join('');
}
function encodeWindows1252(text) {
  return Buffer.from(Array.from(text, (c) => {
    assert.ok(TO_BYTE.has(c), `${c} has no Windows-1252 byte`);
    return TO_BYTE.get(c);
  }));
}

// Resolves with the next diagnostics published for `uri`.
function nextDiagnostics(waiting, uri) {
  return new Promise((resolve) => waiting.set(uri, resolve));
}

test('binario lsp: diagnostics while typing, quick fix, outline, shutdown', { skip: !process.env.BINARIO && 'set BINARIO to a built binario program', timeout: 30000 }, async () => {
  // The train alone on disk: the server reads the partner it is not given.
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'binario-lsp-'));
  const trainPath = path.join(dir, 'Valdoria_42-.txt');
  fs.copyFileSync(path.join(REPO, 'examples', 'Valdoria_42-.txt'), trainPath);
  const lineUri = 'file://' + path.join(dir, 'Valdoria_linea.txt');
  const trainUri = 'file://' + trainPath;

  const server = childProcess.spawn(process.env.BINARIO, ['lsp'], { stdio: ['pipe', 'pipe', 'inherit'] });
  const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));
  // A wait that never ends fails the test at its timeout; the live server
  // would then keep the test process from ending, so it is ended first.
  const guard = setTimeout(() => server.kill('SIGKILL'), 25000);
  guard.unref();
  const connection = rpc.createMessageConnection(
    new rpc.StreamMessageReader(server.stdout), new rpc.StreamMessageWriter(server.stdin));
  const waiting = new Map();
  const publishedFor = new Set();
  connection.onNotification('textDocument/publishDiagnostics', (params) => {
    publishedFor.add(params.uri);
    const resolve = waiting.get(params.uri);
    waiting.delete(params.uri);
    if (resolve) resolve(params.diagnostics);
  });
  connection.listen();

  try {
    const init = await connection.sendRequest('initialize', { processId: process.pid, rootUri: null, capabilities: {} });
    assert.equal(init.capabilities.textDocumentSync.change, 2);
    assert.equal(init.capabilities.documentSymbolProvider, true);
    assert.deepEqual(init.capabilities.codeActionProvider, { codeActionKinds: ['quickfix', 'source'] });
    await connection.sendNotification('initialized', {});

    // A second maximum-speed indicator on the cell of the first one.
    const good = example('Valdoria_linea.txt');
    const first = good.indexOf('indicatori_vmax');
    const after = good.indexOf('\n', first) + 1;
    const clashLine = good.slice(0, after).split('\n').length - 1;
    const bad = good.slice(0, after) + 'indicatori_vmax, 600, 90, 100, 100, 0, 0, 0, 0, 0\r\n' + good.slice(after);

    let published = nextDiagnostics(waiting, lineUri);
    await connection.sendNotification('textDocument/didOpen', {
      textDocument: { uri: lineUri, languageId: 'binario', version: 1, text: bad },
    });
    const diagnostics = await published;
    assert.equal(diagnostics.length, 1);
    assert.equal(diagnostics[0].code, 21);
    assert.deepEqual(diagnostics[0].range, {
      start: { line: clashLine, character: 0 },
      end: { line: clashLine, character: 15 },
    });
    // The first indicator holds the cell: the diagnostic points at it.
    assert.equal(diagnostics[0].relatedInformation.length, 1);
    assert.equal(diagnostics[0].relatedInformation[0].location.uri, lineUri);
    assert.equal(diagnostics[0].relatedInformation[0].location.range.start.line, clashLine - 1);

    published = nextDiagnostics(waiting, lineUri);
    await connection.sendNotification('textDocument/didChange', {
      textDocument: { uri: lineUri, version: 2 },
      contentChanges: [{ text: good }],
    });
    assert.deepEqual(await published, []);

    // A misspelt keyword, blanks before its comma: the quick fix replaces
    // the field alone, and applying it clears the warning.
    // Put after the last gradient change, so that, mended, it is in order.
    const lastGradient = good.lastIndexOf('\npendenza') + 1;
    const afterGradients = good.indexOf('\n', lastGradient) + 1;
    const misspeltLine = good.slice(0, afterGradients).split('\n').length - 1;
    const misspelt = good.slice(0, afterGradients) + 'pendnza   , 4900, 1\r\n' + good.slice(afterGradients);
    published = nextDiagnostics(waiting, lineUri);
    await connection.sendNotification('textDocument/didChange', {
      textDocument: { uri: lineUri, version: 3 },
      contentChanges: [{ text: misspelt }],
    });
    const warnings = await published;
    assert.equal(warnings.length, 1);
    assert.equal(warnings[0].code, 'ignored-field');
    const offered = await connection.sendRequest('textDocument/codeAction', {
      textDocument: { uri: lineUri },
      range: warnings[0].range,
      context: { diagnostics: warnings },
    });
    // Beside the fix, a pair without errors is offered its driver's documents.
    assert.ok(offered.some((a) => a.kind === 'source'));
    const actions = offered.filter((a) => a.kind === 'quickfix');
    assert.equal(actions.length, 1);
    assert.equal(actions[0].title, "Replace with 'pendenza'");
    assert.equal(actions[0].kind, 'quickfix');
    assert.deepEqual(actions[0].diagnostics, warnings);
    const edits = actions[0].edit.changes[lineUri];
    assert.deepEqual(edits, [{
      range: { start: { line: misspeltLine, character: 0 }, end: { line: misspeltLine, character: 7 } },
      newText: 'pendenza',
    }]);
    const lines = misspelt.split('\n');
    const { start, end } = edits[0].range;
    lines[start.line] = lines[start.line].slice(0, start.character) + edits[0].newText + lines[start.line].slice(end.character);
    const mended = lines.join('\n');
    published = nextDiagnostics(waiting, lineUri);
    await connection.sendNotification('textDocument/didChange', {
      textDocument: { uri: lineUri, version: 4 },
      contentChanges: [{ text: mended }],
    });
    assert.deepEqual(await published, []);

    // Hover on the first indicator's position: its metre, kilometre and cell.
    const indicatorLine = mended.slice(0, mended.indexOf('indicatori_vmax')).split('\n').length - 1;
    const hover = await connection.sendRequest('textDocument/hover', {
      textDocument: { uri: lineUri },
      position: { line: indicatorLine, character: 'indicatori_vmax, 6'.length },
    });
    assert.match(hover.contents.value, /metre 600, km 0\.600; cell 13/);
    assert.match(hover.contents.value, new RegExp(`a speed board .*placed by line ${indicatorLine + 1} of the line description`));

    const symbols = await connection.sendRequest('textDocument/documentSymbol', { textDocument: { uri: lineUri } });
    const names = symbols.flatMap((s) => [s.name, ...(s.children || []).map((c) => `${c.name} ${c.detail}`)]);
    assert.ok(names.includes('[cartelli]'), names.join(', '));
    assert.ok(names.includes('cartello indicatore km 2.950'), names.join(', '));

    await assert.rejects(connection.sendRequest('no/suchMethod', {}), (e) => e.code === -32601);
    // The train was read from disk, never opened: nothing is published for it.
    assert.ok(!publishedFor.has(trainUri), 'diagnostics published for a file nobody opened');
    await connection.sendRequest('shutdown');
    await connection.sendNotification('exit');
    assert.equal(await exited, 0);
  } finally {
    clearTimeout(guard);
    connection.dispose();
    server.kill();
    fs.rmSync(dir, { recursive: true, force: true });
  }
});

// Offset in `text` of an LSP position (lines end at CR LF, LF or CR; columns
// count UTF-16 units, as JavaScript strings do).
function offsetOf(text, { line, character }) {
  let offset = 0;
  for (let l = 0; l < line; ++l) {
    const lineEnd = text.slice(offset).search(/\r\n|\r|\n/);
    assert.ok(lineEnd >= 0, `line ${line} is beyond the text`);
    offset += lineEnd + (text.startsWith('\r\n', offset + lineEnd) ? 2 : 1);
  }
  return offset + character;
}

// `text` with the TextEdit[] `edits` applied, as a client applies them: every
// range refers to the text before any edit.
function applyEdits(text, edits) {
  const placed = edits.map((e) => ({ start: offsetOf(text, e.range.start), end: offsetOf(text, e.range.end), newText: e.newText }));
  placed.sort((a, b) => b.start - a.start);
  for (let i = 1; i < placed.length; ++i) assert.ok(placed[i].end <= placed[i - 1].start, 'overlapping edits');
  for (const e of placed) text = text.slice(0, e.start) + e.newText + text.slice(e.end);
  return text;
}

test('binario lsp: formatting as binario format lays the pair out', { skip: !process.env.BINARIO && 'set BINARIO to a built binario program', timeout: 30000 }, async () => {
  // The example pair, not laid out, plus a sign board whose text holds
  // characters Windows-1252 has and Latin-1 lacks, its blanks out of line.
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'binario-lsp-'));
  const signBoard = 'cartello indicatore,  2950,    (  Km. ) (3.000)\r\n';
  const line = example('Valdoria_linea.txt');
  assert.ok(line.includes(signBoard));
  const texts = {
    'Valdoria_linea.txt': line.replace(signBoard, signBoard + 'cartello indicatore,   5200,  Monte Séreno “alto”\r\n'),
    'Valdoria_42-.txt': example('Valdoria_42-.txt'),
  };
  const expected = {};
  const laidOutDir = path.join(dir, 'laid-out');
  fs.mkdirSync(laidOutDir);
  for (const [name, text] of Object.entries(texts)) {
    const bytes = encodeWindows1252(text);
    fs.writeFileSync(path.join(dir, name), bytes);
    fs.writeFileSync(path.join(laidOutDir, name), bytes);
  }
  childProcess.execFileSync(process.env.BINARIO, ['format', ...Object.keys(texts).map((n) => path.join(laidOutDir, n))]);
  for (const name of Object.keys(texts)) {
    expected[name] = decodeWindows1252(fs.readFileSync(path.join(laidOutDir, name)));
    assert.notEqual(expected[name], texts[name], `${name} is laid out already`);
  }

  const server = childProcess.spawn(process.env.BINARIO, ['lsp'], { stdio: ['pipe', 'pipe', 'inherit'] });
  const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));
  const guard = setTimeout(() => server.kill('SIGKILL'), 25000);
  guard.unref();
  const connection = rpc.createMessageConnection(
    new rpc.StreamMessageReader(server.stdout), new rpc.StreamMessageWriter(server.stdin));
  connection.listen();
  const options = { tabSize: 4, insertSpaces: true };

  try {
    const init = await connection.sendRequest('initialize', { processId: process.pid, rootUri: null, capabilities: {} });
    assert.equal(init.capabilities.documentFormattingProvider, true);
    await connection.sendNotification('initialized', {});

    for (const [name, text] of Object.entries(texts)) {
      const uri = 'file://' + path.join(dir, name);
      await connection.sendNotification('textDocument/didOpen', {
        textDocument: { uri, languageId: 'binario', version: 1, text },
      });
      const edits = await connection.sendRequest('textDocument/formatting', { textDocument: { uri }, options });
      assert.ok(edits.length > 0, `no edits for ${name}`);
      const formatted = applyEdits(text, edits);
      assert.equal(formatted, expected[name], `${name} formatted otherwise than binario format writes it`);

      // Laid out, the text gets no edits.
      await connection.sendNotification('textDocument/didChange', {
        textDocument: { uri, version: 2 },
        contentChanges: [{ text: formatted }],
      });
      assert.deepEqual(await connection.sendRequest('textDocument/formatting', { textDocument: { uri }, options }), [],
        `${name} laid out still gets edits`);
    }

    await connection.sendRequest('shutdown');
    await connection.sendNotification('exit');
    assert.equal(await exited, 0);
  } finally {
    clearTimeout(guard);
    connection.dispose();
    server.kill();
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
