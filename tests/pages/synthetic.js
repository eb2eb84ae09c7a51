'use strict';
// Synthetic installations of any catalogue size, indexed by the real
// program in batch mode: used by the large-catalogue tests and by the page
// benchmark.

const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');

const WORDS = ['Create', 'Free', 'Read', 'Write', 'Gadget', 'Window', 'Stream', 'Socket', 'Image', 'Draw',
  'List', 'Map', 'Event', 'Process', 'Pipe', 'String', 'Buffer', 'Timer', 'Sound', 'Text'];
const MODULES = ['tlw.gadgets', 'tlw.streams', 'tlw.events', 'tlw.process', 'tlw.strings', 'TLW.Graphics',
  'tlw.audio', 'tlw.net'];

// The k-th synthetic command: two words and a number, so that searches for
// a word match a known share of the catalogue.
function syntheticName(k) {
  const a = WORDS[k % WORDS.length];
  const b = WORDS[Math.floor(k / WORDS.length) % WORDS.length];
  return a + b + String(k).padStart(7, '0');
}

function syntheticModule(k) {
  return MODULES[k % MODULES.length];
}

// Lines of commands.txt in catalogue order (sorted by code unit, as the
// program sorts), so the program's neighbour-swapping sort has nothing to do.
function syntheticLines(n) {
  const lines = [];
  for (let k = 0; k < n; k++) {
    const name = syntheticName(k);
    lines.push(name + '|/docs/html/Modules/' + syntheticModule(k) + '/index.html#' + name);
  }
  lines.sort((x, y) => (x < y ? -1 : x > y ? 1 : 0));
  return lines;
}

// Copies the program next to a fresh installation at root, writes the
// command list and lets the program index it. Returns the documentation
// directory (docs/html). extraLines are appended to the synthetic ones;
// beforeBuild(install) may add documentation pages first.
function buildInstall(root, exe, n, { extraLines = [], installName = 'install', beforeBuild = null } = {}) {
  const app = path.join(root, 'app');
  const install = path.join(root, installName);
  const modules = path.join(install, 'docs', 'html', 'Modules');
  fs.rmSync(root, { recursive: true, force: true });
  fs.mkdirSync(app, { recursive: true });
  fs.mkdirSync(modules, { recursive: true });
  fs.copyFileSync(exe, path.join(app, 'Quillmere'));
  fs.chmodSync(path.join(app, 'Quillmere'), 0o755);
  fs.writeFileSync(path.join(app, 'config.txt'), Buffer.concat([Buffer.from(install), Buffer.from('\r\n0\r\n')]));
  const text = syntheticLines(n).concat(extraLines).join('\n') + '\n';
  fs.writeFileSync(path.join(modules, 'commands.txt'), Buffer.from(text, 'latin1'));
  if (beforeBuild) beforeBuild(install);
  execFileSync(path.join(app, 'Quillmere'), ['batch'], { cwd: root, stdio: ['ignore', 'pipe', 'pipe'], maxBuffer: 1 << 24 });
  return path.join(install, 'docs', 'html');
}

// Writes the index files of n synthetic commands straight into a copy of an
// installed Modules directory, in the form the program uses for arrays of
// 65,536 elements or more: far quicker than indexing when only the pages
// are under test.  Returns the copied command page.
function writeLargeIndex(dir, fromModules, n) {
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(dir, { recursive: true });
  for (const f of ['commands.html', 'tlwstyle.css']) fs.copyFileSync(path.join(fromModules, f), path.join(dir, f));
  const q = (s) => '"' + s + '"';
  // Unsorted: the pages show any array in its own order.
  const names = Array.from({ length: n }, (_, k) => syntheticName(k));
  // Short links and modules keep the files small: only loading is tested.
  const links = names.map((_, k) => '/s/' + k);
  const mods = names.map((_, k) => 'm' + (k % 8));
  fs.writeFileSync(path.join(dir, 'command.js'), 'var commands=[' + names.map(q).join(',') + '];');
  fs.writeFileSync(path.join(dir, 'links.js'), 'var links=[' + links.map(q).join(',') + '];');
  fs.writeFileSync(path.join(dir, 'modules.js'), 'var modules=[' + mods.map(q).join(',') + '];');
  fs.writeFileSync(path.join(dir, 'mod.js'), 'var mods=new Array("m0","m1","m2","m3","m4","m5","m6","m7","");');
  return { page: path.join(dir, 'commands.html'), names };
}

module.exports = { syntheticName, syntheticModule, syntheticLines, buildInstall, writeLargeIndex, WORDS, MODULES };
