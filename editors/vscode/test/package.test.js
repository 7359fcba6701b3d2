// The manifest: which files open as descriptions, and whether everything it
// names is there to be loaded.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { test } = require('node:test');

const PACKAGE = path.join(__dirname, '..');
const manifest = JSON.parse(fs.readFileSync(path.join(PACKAGE, 'package.json'), 'utf8'));
const [language] = manifest.contributes.languages;

// A file name pattern of the manifest as VS Code reads it: `*` and `?` stand
// for any characters of the name, `[...]` for one of the characters listed,
// everything else for itself, in its letter case.
function globToRegExp(glob) {
  const body = glob
    .split(/(\[[^\]]+\])/)
    .map((part, i) =>
      i % 2 === 1
        ? part
        : part.replace(/[.+^${}()|[\]\\]/g, '\\$&').replace(/\*/g, '.*').replace(/\?/g, '.'),
    )
    .join('');
  return new RegExp(`^${body}$`);
}

function isDescription(name) {
  return language.filenamePatterns.some((p) => globToRegExp(p).test(name));
}

test('descriptions open in the language, other texts do not', () => {
  const examples = fs.readdirSync(path.join(PACKAGE, '..', '..', 'examples'));
  assert.ok(examples.length >= 2);
  // The endings in any letter case, as the server pairs them.
  for (const name of [
    ...examples,
    'Zorvane_Pelk_linea.txt',
    'Zorvane_Pelk_728-.txt',
    'X_1-.txt',
    'Linea a_linea.txt',
    'VALDORIA_LINEA.TXT',
    'VALDORIA_42-.TXT',
    'Valdoria_Linea.Txt',
    'Valdoria_42-.tXt',
  ]) {
    assert.ok(isDescription(name), `${name} is a description`);
  }
  for (const name of [
    'notes.txt',
    'README.txt',
    'Zorvane_Pelk_728_note.txt',
    'Zorvane_Pelk_728_scheda_treno.txt',
    'Zorvane_Pelk_728_rallentamenti.txt',
    'Zorvane_Pelk_linea.dat',
    'Zorvane_Pelk_linea.txt.bak',
    'Zorvane_Pelk_728-.txt~',
    'ZORVANE_PELK_LINEA.TXT.BAK',
    'ZORVANE_PELK_LINEAS.TXT',
    'NOTES.TXT',
  ]) {
    assert.ok(!isDescription(name), `${name} is not a description`);
  }
});

test('the manifest names files that exist and agree with each other', () => {
  assert.ok(fs.existsSync(path.join(PACKAGE, manifest.main)), manifest.main);

  const [grammar] = manifest.contributes.grammars;
  assert.equal(grammar.language, language.id);
  const rules = JSON.parse(fs.readFileSync(path.join(PACKAGE, grammar.path), 'utf8'));
  assert.equal(rules.scopeName, grammar.scopeName);

  const configuration = JSON.parse(fs.readFileSync(path.join(PACKAGE, language.configuration), 'utf8'));
  assert.equal(configuration.comments.lineComment, '-');

  assert.deepEqual(manifest.contributes.configurationDefaults[`[${language.id}]`], {
    'files.encoding': 'windows1252',
    'files.eol': '\r\n',
  });
  assert.ok(manifest.activationEvents.includes(`onLanguage:${language.id}`));
  // Unset, the program the package carries runs (else binario on PATH).
  const settings = manifest.contributes.configuration.properties;
  assert.equal(settings['binario.path'].default, '');
  // The language client logs the protocol when `<its id>.trace.server` is set.
  assert.deepEqual(settings['binario.trace.server'].enum, ['off', 'messages', 'verbose']);
  assert.equal(manifest.license, 'MIT');

  // Every command the manifest lists is one the extension registers.
  const source = fs.readFileSync(path.join(PACKAGE, manifest.main), 'utf8');
  for (const { command } of manifest.contributes.commands) {
    assert.ok(source.includes(`'${command}'`), `${command} is registered`);
  }
});
