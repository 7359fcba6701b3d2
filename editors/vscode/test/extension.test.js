// Activates extension.js outside VS Code: the editor's API and the language
// client are stand-ins that record what the extension asks of them, while
// the programs it starts are real ones, so a wrong path fails as it would for
// an author.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const Module = require('node:module');
const os = require('node:os');
const path = require('node:path');
const { test } = require('node:test');

const EXTENSION = path.join(__dirname, '..', 'extension.js');

// What one activation saw: client events in order, error messages, commands run.
function harness(settings, { clientStartFails = false, workspaceFolder, extensionPath } = {}) {
  const seen = { clients: [], events: [], errors: [], executed: [], listeners: [], commands: new Map() };
  const vscode = {
    workspace: {
      getConfiguration: (section) => ({ get: (key) => settings[`${section}.${key}`] }),
      workspaceFolders: workspaceFolder ? [{ uri: { fsPath: workspaceFolder } }] : undefined,
      onDidChangeConfiguration: (listener) => {
        seen.listeners.push(listener);
        return { dispose() {} };
      },
    },
    window: {
      showErrorMessage: async (message, ...items) => {
        seen.errors.push(message);
        return items[0];
      },
    },
    commands: {
      registerCommand: (id, run) => {
        seen.commands.set(id, run);
        return { dispose() {} };
      },
      executeCommand: async (...args) => seen.executed.push(args),
    },
  };
  class LanguageClient {
    constructor(id, name, serverOptions, clientOptions) {
      this.program = serverOptions.run.command;
      seen.clients.push({ serverOptions, clientOptions });
    }
    async start() {
      seen.events.push(`start ${this.program}`);
      if (clientStartFails) throw new Error('the server closed the connection');
    }
    async stop() {
      seen.events.push(`stop ${this.program}`);
    }
    async dispose() {
      seen.events.push(`dispose ${this.program}`);
    }
  }
  const stand_ins = { vscode, 'vscode-languageclient/node': { LanguageClient, TransportKind: { stdio: 0 } } };

  const resolve = Module._resolveFilename;
  Module._resolveFilename = function (request, ...rest) {
    return request in stand_ins ? `stand-in:${request}` : resolve.call(this, request, ...rest);
  };
  for (const [name, exports] of Object.entries(stand_ins)) {
    require.cache[`stand-in:${name}`] = { id: name, filename: name, loaded: true, exports };
  }
  delete require.cache[EXTENSION];
  try {
    seen.extension = require(EXTENSION);
  } finally {
    Module._resolveFilename = resolve;
  }
  seen.context = { subscriptions: [], extensionPath: extensionPath || path.join(os.tmpdir(), 'binario-no-such-extension') };
  return seen;
}

function changeSetting(seen, key) {
  for (const listener of seen.listeners) listener({ affectsConfiguration: (k) => k === key });
}

// A program that answers --version: node itself, under another name.
function workingProgram(folder, name) {
  const program = path.join(folder, name);
  fs.symlinkSync(process.execPath, program);
  return program;
}

test('starts "binario lsp" over stdio for descriptions on disk, and again when binario.path changes', async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'binario-extension-'));
  try {
    const first = workingProgram(folder, 'first');
    const second = workingProgram(folder, 'second');
    const settings = { 'binario.path': first };
    const seen = harness(settings);
    await seen.extension.activate(seen.context);

    const [{ serverOptions, clientOptions }] = seen.clients;
    assert.deepEqual(serverOptions.run, { command: first, args: ['lsp'], transport: 0 });
    assert.deepEqual(clientOptions.documentSelector, [{ scheme: 'file', language: 'binario' }]);

    changeSetting(seen, 'files.encoding');
    settings['binario.path'] = second;
    changeSetting(seen, 'binario.path');
    await seen.extension.deactivate();
    assert.deepEqual(seen.events, [`start ${first}`, `stop ${first}`, `start ${second}`, `stop ${second}`]);
    assert.deepEqual(seen.errors, []);

    // The restart command does the same by hand.
    const again = harness({ 'binario.path': first });
    await again.extension.activate(again.context);
    await again.commands.get('binario.restartServer')();
    assert.deepEqual(again.events, [`start ${first}`, `stop ${first}`, `start ${first}`]);
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
});

test('a program that cannot be run is named in an error that leads to the setting', async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'binario-extension-'));
  try {
    const plain = path.join(folder, 'binario');
    fs.writeFileSync(plain, 'not a program', { mode: 0o644 });
    const cases = [
      [path.join(folder, 'missing'), 'was not found'],
      [plain, 'is not executable'],
    ];
    for (const [program, reason] of cases) {
      const seen = harness({ 'binario.path': program });
      await seen.extension.activate(seen.context);
      await seen.extension.deactivate();
      assert.equal(seen.clients.length, 0, program);
      assert.equal(seen.errors.length, 1);
      assert.match(seen.errors[0], new RegExp(`"${program} lsp": it ${reason}.*"binario\\.path"`));
      await new Promise((resolve) => setImmediate(resolve));
      assert.deepEqual(seen.executed, [['workbench.action.openSettings', 'binario.path']]);
    }

    // A server that runs but refuses the connection is told too, and let go.
    const refused = harness({ 'binario.path': workingProgram(folder, 'refuses') }, { clientStartFails: true });
    await refused.extension.activate(refused.context);
    await refused.extension.deactivate();
    assert.match(refused.errors[0], /the server closed the connection/);
    assert.deepEqual(
      refused.events.map((e) => e.split(' ')[0]),
      ['start', 'dispose']
    );
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
});

test('without a setting the program the package carries runs; a relative setting is read from the workspace', async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'binario-extension-'));
  try {
    // A platform package: its program in server/.
    const installed = path.join(folder, 'extension');
    fs.mkdirSync(path.join(installed, 'server'), { recursive: true });
    const carried = workingProgram(path.join(installed, 'server'), process.platform === 'win32' ? 'binario.exe' : 'binario');
    for (const unset of [undefined, '', '  ']) {
      const seen = harness({ 'binario.path': unset }, { extensionPath: installed });
      await seen.extension.activate(seen.context);
      await seen.extension.deactivate();
      assert.deepEqual(seen.events, [`start ${carried}`, `stop ${carried}`]);
    }

    // The package for every platform carries none: binario from PATH.
    const bare = harness({}, { extensionPath: folder });
    const savedPath = process.env.PATH;
    process.env.PATH = path.join(installed, 'server');
    try {
      await bare.extension.activate(bare.context);
      await bare.extension.deactivate();
    } finally {
      process.env.PATH = savedPath;
    }
    assert.deepEqual(bare.events, ['start binario', 'stop binario']);

    // A setting wins over the carried program; a relative one is read from
    // the workspace's folder.
    const workspace = path.join(folder, 'workspace');
    fs.mkdirSync(path.join(workspace, 'tools'), { recursive: true });
    const own = workingProgram(path.join(workspace, 'tools'), 'binario');
    const relative = harness({ 'binario.path': path.join('tools', 'binario') }, { extensionPath: installed, workspaceFolder: workspace });
    await relative.extension.activate(relative.context);
    await relative.extension.deactivate();
    assert.deepEqual(relative.events, [`start ${own}`, `stop ${own}`]);
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
});
