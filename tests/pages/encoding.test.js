'use strict';
// An installation under a path with non-ASCII characters, with names written
// in UTF-8 in its command list: the program indexes it in batch mode, and in
// the browser every result link opens an existing file and every name reads
// as it was written.

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const { fileURLToPath } = require('node:url');
const h = require('./helpers');

const SAMPLE = path.resolve(__dirname, '..', '..', 'examples', 'sample-install');
const ROOT = path.join(h.SCRATCH, 'encoding');
// "é" in one folder name, CJK characters in the next.
const INSTALL = path.join(ROOT, 'Réal Install', '文档 安装');

// Extra lines of the command list, as bytes: UTF-8 names, and a Latin-1 name
// whose bytes are no valid UTF-8 (shown as Latin-1, as always).
const EXTRA = [
  [Buffer.from('Crème:Int( a:Int )', 'utf8'), 'Crème'],
  [Buffer.from('数据流', 'utf8'), '数据流'],
  [Buffer.from('Emoji😀', 'utf8'), 'Emoji😀'],
  [Buffer.from('Na\xefve', 'latin1'), 'Na\xefve'],
];

let browser;
let page;
let errors = [];

before(async () => {
  fs.rmSync(ROOT, { recursive: true, force: true });
  fs.mkdirSync(path.join(ROOT, 'app'), { recursive: true });
  fs.cpSync(SAMPLE, INSTALL, { recursive: true });
  const list = path.join(INSTALL, 'docs', 'html', 'Modules', 'commands.txt');
  const lines = EXTRA.map(([name], k) => Buffer.concat([name,
    Buffer.from('|/docs/html/Modules/tlw.strings/index.html#extra' + k + '\n', 'latin1')]));
  fs.appendFileSync(list, Buffer.concat(lines));
  const exe = path.join(ROOT, 'app', 'Quillmere');
  fs.copyFileSync(process.env.QUILLMERE_PAGES_EXE, exe);
  fs.chmodSync(exe, 0o755);
  fs.writeFileSync(path.join(ROOT, 'app', 'config.txt'), Buffer.from(INSTALL + '\r\n0\r\n', 'utf8'));
  execFileSync(exe, ['batch'], { cwd: ROOT, stdio: ['ignore', 'pipe', 'pipe'] });
  browser = await h.launch();
  page = await browser.newPage();
  page.on('pageerror', (e) => errors.push(e.message));
});

after(async () => {
  if (browser) await browser.close();
});

async function results(query) {
  errors = [];
  await page.goto(h.fileUrl(path.join(INSTALL, 'docs', 'html', 'index.html'), query));
  await h.settled(page);
  return page.$$eval('#results a', (as) => as.map((a) => [a.querySelector('.name').textContent, a.href]));
}

test('every result link of a search opens an existing file', async () => {
  const cat = h.loadCatalogue(path.join(INSTALL, 'docs', 'html', 'Modules'));
  assert.ok(cat.commands.length > 300);
  assert.ok(cat.links[0].startsWith(Buffer.from(INSTALL, 'utf8').toString('latin1')), 'links hold the path bytes');
  for (const query of [undefined, h.searchQuery('gadget'), h.searchQuery('*line')]) {
    const shown = await results(query);
    assert.ok(shown.length > 5, 'results for ' + query);
    const dead = shown.filter(([, href]) => !fs.existsSync(fileURLToPath(href.split('#')[0])));
    assert.deepEqual(dead, [], 'dead links for ' + query);
    assert.deepEqual(errors, []);
  }
});

test('names written in UTF-8 read as written, Latin-1 names as before', async () => {
  const shown = await results();
  const names = shown.map(([name]) => name);
  for (const [, name] of EXTRA) assert.ok(names.includes(name), name + ' is shown');
  for (const garbled of ['CrÃ¨me', 'Ã¦']) assert.ok(!names.some((n) => n.includes(garbled)), 'no ' + garbled);
  // Typing the name as written finds it.
  await h.fill(page, '#textfield', '数据');
  await h.settled(page);
  assert.deepEqual(await page.$$eval('#results .name', (as) => as.map((a) => a.textContent)), ['数据流']);
});
