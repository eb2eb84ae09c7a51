'use strict';
// The sample installation's generator reproduces the committed module pages
// and command list, from any working directory and under a path with blanks.

const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync } = require('node:child_process');

const SAMPLE = path.resolve(__dirname, '..', '..', 'examples', 'sample-install');

function listFiles(root, dir = '') {
  return fs.readdirSync(path.join(root, dir), { withFileTypes: true }).flatMap((e) => {
    const rel = path.join(dir, e.name);
    return e.isDirectory() ? listFiles(root, rel) : [rel];
  }).sort();
}

test('bin/makedocs regenerates the committed documentation exactly', () => {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'makedocs '));
  try {
    const inst = path.join(work, 'Tallowin Install');
    fs.cpSync(SAMPLE, inst, { recursive: true });
    // Throw the generated output away so that it has to be made anew.
    const generated = ['docs/html/Modules/commands.txt', 'docs/html/Modules/index.html'];
    for (const def of listFiles(path.join(inst, 'mod')).filter((f) => f.endsWith('commands.def'))) {
      const text = fs.readFileSync(path.join(inst, 'mod', def), 'latin1');
      const module = /^module\s+(\S+)/m.exec(text)[1];
      const layout = /^layout\s+(\S+)/m.exec(text)[1];
      generated.push(layout === 'docs'
        ? path.join('docs/html/Modules', module, 'index.html')
        : path.join('mod', path.dirname(def), 'doc/commands.html'));
    }
    for (const f of generated) fs.rmSync(path.join(inst, f));

    const out = execFileSync(path.join(inst, 'bin', 'makedocs'), [], { cwd: os.tmpdir(), encoding: 'utf8' });
    assert.match(out, /^Command list: \d+ commands in \d+ modules/m);
    assert.match(out, /Done\.\n$/);

    assert.deepEqual(listFiles(inst), listFiles(SAMPLE), 'same files');
    for (const f of generated) {
      assert.ok(fs.readFileSync(path.join(inst, f)).equals(fs.readFileSync(path.join(SAMPLE, f))), f + ' reproduced');
    }
    const list = fs.readFileSync(path.join(inst, 'docs/html/Modules/commands.txt'), 'latin1');
    const lines = list.split('\n').slice(0, -1);
    assert.ok(lines.length >= 250, 'a few hundred commands');
    const crlf = lines.filter((l) => l.endsWith('\r')).length;
    assert.ok(crlf > 0 && crlf < lines.length, 'both line ends occur');
    for (const l of lines) assert.match(l.replace(/\r$/, ''), /^.+\|\/(docs\/html\/Modules\/[^/]+\/index\.html|mod\/[^/]+\.mod\/[^/]+\.mod\/doc\/commands\.html)#/);
    // Every link names a page and an anchor that exist.
    for (const l of lines) {
      const link = l.replace(/\r$/, '').slice(l.lastIndexOf('|') + 1);
      const file = link.slice(0, link.indexOf('#'));
      const anchor = link.slice(link.indexOf('#') + 1);
      const page = fs.readFileSync(path.join(inst, file), 'latin1');
      const escaped = anchor.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
      assert.ok(page.includes('<a name="' + escaped + '">'), link + ' has its anchor');
    }
  } finally {
    fs.rmSync(work, { recursive: true, force: true });
  }
});
