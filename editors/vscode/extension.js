// Starts `binario lsp` for the open line and train descriptions and talks to
// it through VS Code's language client. The program is the `binario.path`
// setting when one is given, else the program a platform package carries in
// its server/ folder, else `binario` on PATH; changing the setting restarts
// the server.
'use strict';

const childProcess = require('child_process');
const fs = require('fs');
const path = require('path');
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

const SECTION = 'binario';
const PATH_SETTING = `${SECTION}.path`;

let client;
// Starts and stops run one after the other, however fast the setting changes.
let pending = Promise.resolve();

// The folder this extension was installed into, set on activation.
let extensionPath;

function programPath() {
  const configured = vscode.workspace.getConfiguration(SECTION).get('path');
  if (typeof configured === 'string' && configured.trim() !== '') {
    const program = configured.trim();
    // A bare name is looked up on PATH; a relative path is read from the
    // workspace's first folder, not from wherever VS Code was started.
    if (path.isAbsolute(program) || !/[\\/]/.test(program)) return program;
    const folder = vscode.workspace.workspaceFolders && vscode.workspace.workspaceFolders[0];
    return folder ? path.join(folder.uri.fsPath, program) : program;
  }
  if (extensionPath) {
    const bundled = path.join(extensionPath, 'server', process.platform === 'win32' ? 'binario.exe' : 'binario');
    if (fs.existsSync(bundled)) return bundled;
  }
  return 'binario';
}

// Runs `PROGRAM --version` so that a wrong path is told plainly, before the
// client would report only that its connection failed.
function probe(program) {
  return new Promise((resolve) => {
    childProcess.execFile(program, ['--version'], { timeout: 10000, windowsHide: true }, (error) => {
      if (!error) return resolve(undefined);
      if (error.code === 'ENOENT') return resolve('it was not found');
      if (error.code === 'EACCES') return resolve('it is not executable');
      if (error.killed) return resolve('it did not answer --version within 10 s');
      if (typeof error.code === 'string') return resolve(error.message);
      // It ran and said no: leave the verdict to the start of the server.
      return resolve(undefined);
    });
  });
}

async function showStartError(program, reason) {
  const choice = await vscode.window.showErrorMessage(
    `binario: cannot start the language server "${program} lsp": ${reason}. ` +
      `Set "${PATH_SETTING}" to the binario program.`,
    'Open Settings'
  );
  if (choice === 'Open Settings') {
    await vscode.commands.executeCommand('workbench.action.openSettings', PATH_SETTING);
  }
}

async function start() {
  const program = programPath();
  const problem = await probe(program);
  if (problem) {
    void showStartError(program, problem);
    return;
  }
  const run = { command: program, args: ['lsp'], transport: TransportKind.stdio };
  const serverOptions = { run, debug: run };
  const clientOptions = {
    documentSelector: [{ scheme: 'file', language: 'binario' }],
  };
  const started = new LanguageClient(SECTION, 'binario language server', serverOptions, clientOptions);
  try {
    await started.start();
    client = started;
  } catch (error) {
    void showStartError(program, error instanceof Error ? error.message : String(error));
    try {
      await started.dispose();
    } catch {
      // Nothing was running.
    }
  }
}

async function stop() {
  const running = client;
  client = undefined;
  if (!running) return;
  try {
    await running.stop();
  } catch {
    // A server that already died has nothing left to stop.
  }
}

function enqueue(step) {
  pending = pending.then(step, step);
  return pending;
}

function restart() {
  return enqueue(async () => {
    await stop();
    await start();
  });
}

function activate(context) {
  extensionPath = context.extensionPath;
  context.subscriptions.push(
    vscode.workspace.onDidChangeConfiguration((event) => {
      if (event.affectsConfiguration(PATH_SETTING)) void restart();
    }),
    vscode.commands.registerCommand('binario.restartServer', restart)
  );
  return enqueue(start);
}

function deactivate() {
  return enqueue(stop);
}

module.exports = { activate, deactivate };
