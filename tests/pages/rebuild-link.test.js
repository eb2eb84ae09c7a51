'use strict';
// The "Rebuild index" link of pages built by a program whose folder name
// holds an apostrophe, a double quote and other characters that a URL or an
// attribute cannot carry as they are: the link must still be there and
// point at the program.

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const { fileURLToPath } = require('node:url');
const h = require('./helpers');

const SOURCE_PROGRAM = path.join(h.SCRATCH, 'app', 'Quillmere');
const SAMPLE = path.resolve(__dirname, '..', '..', 'examples', 'sample-install');
const ROOT = path.join(h.SCRATCH, 'rebuild-link');
const FOLDERS = [`John's tools`, 'the "best" tools', `it's "#1" & 100% caf\u00e9`];

let browser;

before(async () => {
  browser = await h.launch();
});

after(async () => {
  if (browser) await browser.close();
});

// Builds the sample's index with a copy of the program in folder and
// returns the program's path and the installation.
function buildWith(folder) {
  const dir = path.join(ROOT, folder);
  const program = path.join(dir, 'Quillmere');
  const install = path.join(dir, 'install');
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(dir, { recursive: true });
  fs.copyFileSync(SOURCE_PROGRAM, program);
  fs.chmodSync(program, 0o755);
  fs.cpSync(SAMPLE, install, { recursive: true });
  execFileSync(program, ['--dir', install], { stdio: 'ignore' });
  return { program, install };
}

for (const folder of FOLDERS) {
  test(`pages built from a program in "${folder}" link to it`, async () => {
    const { program, install } = buildWith(folder);
    for (const file of [path.join(install, 'docs', 'html', 'index.html'),
      path.join(install, 'docs', 'html', 'Modules', 'commands.html')]) {
      const { page, problems } = await h.openPage(browser);
      await page.goto(h.fileUrl(file));
      assert.deepEqual(problems.pageErrors, [], 'page script threw');
      const links = await page.evaluate(() => Array.from(document.querySelectorAll('a'))
        .filter((a) => a.textContent === 'Rebuild index').map((a) => a.href));
      assert.ok(links.length > 0, 'a "Rebuild index" link on ' + file);
      for (const href of links) assert.equal(fileURLToPath(href), program, 'the link points at the program');
      await page.close();
    }
  });
}
