// Drives the real `binario lsp` through vscode-jsonrpc, the protocol library
// VS Code's client uses: a pair with two records on one cell gets its
// diagnostic at the field, a fix clears it, a misspelt keyword gets a quick
// fix whose edit clears its warning, the outline lists the records, and the
// server ends with status 0 after shutdown and exit.
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
  return new TextDecoder('windows-1252').decode(fs.readFileSync(path.join(REPO, 'examples', name)));
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
    assert.deepEqual(init.capabilities.codeActionProvider, { codeActionKinds: ['quickfix'] });
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
    const actions = await connection.sendRequest('textDocument/codeAction', {
      textDocument: { uri: lineUri },
      range: warnings[0].range,
      context: { diagnostics: warnings },
    });
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
