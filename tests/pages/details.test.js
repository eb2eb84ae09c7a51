'use strict';
// Signatures and summaries under the result names, the order of search
// results, and markup in both shown as text.

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const h = require('./helpers');
const synthetic = require('./synthetic');

const PAGE = 'docs/html/Modules/tlw.gadgets/index.html';
const LINES = ['Window:TGadget( title:String )', 'CreateWindow:TGadget( title:String, x:Int )',
  'WindowMenu:TGadget( window:TGadget )', 'Rewindowed()', 'Gadget_window',
  'Evil:Int( a:String="><img src=x onerror=window.__pwned=1> )',
  // Longer than the worker keeps word starts of: its later "Window" starts a word.
  'Very_long_name_past_thirty_rewindowed_xWindow'];
const PROSE = {
  Window: 'The window type. More.', CreateWindow: 'Opens a new window.', WindowMenu: 'Its menu.',
  Rewindowed: 'Windowed again.', Gadget_window: 'Holds a window.',
  Very_long_name_past_thirty_rewindowed_xWindow: 'Long.',
  Evil: 'Runs &lt;script&gt;window.__pwned=2&lt;/script&gt; "&gt;&lt;img src=x onerror=window.__pwned=3&gt;.',
};

let root, html, browser;

before(async () => {
  root = path.join(h.SCRATCH, 'details');
  const name = (line) => line.split(/[(:]/)[0];
  const rows = LINES.map((line) => `<tr><td><a name="${name(line)}"></a><b>${name(line)}</b></td>` +
    `<td><pre>${line.replace(/</g, '&lt;')}</pre>${PROSE[name(line)]}</td></tr>`);
  html = synthetic.buildInstall(root, process.env.QUILLMERE_PAGES_EXE, 0, {
    extraLines: LINES.map((line) => `${line}|/${PAGE}#${name(line)}`),
    // The pages are written before the build reads them.
    beforeBuild: (install) => {
      fs.mkdirSync(path.dirname(path.join(install, PAGE)), { recursive: true });
      fs.writeFileSync(path.join(install, PAGE), '<html><body><table>' + rows.join('\n') + '</table></body></html>');
    },
  });
  browser = await h.launch();
});

after(async () => {
  if (browser) await browser.close();
});

// The rows once signatures and summaries have arrived.
async function rows(page) {
  await page.waitForFunction(() => performance.getEntriesByName('details-ready').length > 0);
  await h.settled(page);
  return page.$$eval('#results .entry', (rs) => rs.map((r) => ({
    name: r.querySelector('.name').textContent,
    sig: (r.querySelector('.sig') || {}).textContent || '',
    summary: (r.querySelector('.summary') || {}).textContent || '',
  })));
}

test('search results rank exact, prefix, word-start, rest; lists keep catalogue order; details stay text', async () => {
  const { page, problems } = await h.openPage(browser);
  const searchPage = path.join(html, 'index.html');
  const ranked = ['Window', 'WindowMenu', 'CreateWindow', 'Gadget_window',
    'Very_long_name_past_thirty_rewindowed_xWindow', 'Rewindowed'];
  // Typed, and from the address the form sends on Enter: the same order.
  await page.goto(h.fileUrl(searchPage));
  await h.fill(page, '#textfield', 'window');
  const typed = await rows(page);
  assert.deepEqual(typed.map((r) => r.name), ranked);
  assert.equal(await h.text(page, '#resultcount'), '6 commands');
  // A pattern is matched by the worker, and only its first match is ranked.
  await h.fill(page, '#textfield', 'wind.w');
  assert.deepEqual((await rows(page)).map((r) => r.name), ranked.slice(0, 4).concat([ranked[5], ranked[4]]));
  await page.goto(h.fileUrl(searchPage, h.searchQuery('window')));
  const opened = await rows(page);
  assert.deepEqual(opened, typed);
  const create = opened.find((r) => r.name === 'CreateWindow');
  assert.deepEqual(create, { name: 'CreateWindow', sig: LINES[1], summary: 'Opens a new window.' });
  assert.equal(opened.find((r) => r.name === 'Gadget_window').sig, '', 'a line without a signature shows none');

  // The letter list and the full list: catalogue order, details too.
  await page.goto(h.fileUrl(path.join(html, 'Modules', 'commands.html'), 'W'));
  assert.deepEqual((await rows(page)).map((r) => r.name), ['Window', 'WindowMenu']);
  await page.goto(h.fileUrl(searchPage));
  const all = await rows(page);
  assert.deepEqual(all.map((r) => r.name), ['CreateWindow', 'Evil', 'Gadget_window', 'Rewindowed',
    'Very_long_name_past_thirty_rewindowed_xWindow', 'Window', 'WindowMenu']);
  const evil = all.find((r) => r.name === 'Evil');
  assert.equal(evil.sig, LINES[5]);
  assert.equal(evil.summary, 'Runs <script>window.__pwned=2</script> "><img src=x onerror=window.__pwned=3>.');
  assert.equal(await page.$$eval('#results img, #results script', (n) => n.length), 0, 'no markup made');
  await new Promise((r) => setTimeout(r, 200));
  assert.equal(await page.evaluate(() => window.__pwned), undefined, 'no script ran');
  assert.deepEqual(problems.pageErrors, []);
  // The logo is not part of this installation; every index file is.
  assert.deepEqual(problems.failedRequests.filter((r) => /\.js /.test(r)), []);
});

test('on the sample, "window" lists WindowMenu before CreateWindow with signatures and summaries', async () => {
  const { page, problems } = await h.openPage(browser);
  await page.setViewport({ width: 1100, height: 420 });
  await page.goto(h.fileUrl(path.join(h.HTML, 'index.html')));
  await h.fill(page, '#textfield', 'window');
  const shown = await rows(page);
  assert.deepEqual(shown.map((r) => r.name), ['WindowMenu', 'CreateWindow']);
  assert.equal(shown[1].summary, 'Opens a new window.');
  assert.match(shown[1].sig, /^CreateWindow:TGadget\( title:String, x:Int/);
  await page.screenshot({ path: path.join(h.ensureDir(h.SHOTS), 'search-summaries.png') });
  assert.deepEqual(problems.pageErrors, []);
});

// Matches are ranked from word starts kept as bits where they have been
// made, else from the names themselves.  Both must put every match of every
// kind of name and term in one group.
test('ranking from word starts agrees with ranking from the names', async () => {
  const { page, problems } = await h.openPage(browser);
  await page.goto(h.fileUrl(path.join(html, 'index.html')));
  const disagreements = await page.evaluate(() => {
    const parts = ['Window', 'window', 'WINDOW', 'win', 'x', '_', ':', '.', '2', '10', 'Straße', 'Éte', 'ǅemal', '$',
      'Rewindowed', 'a'.repeat(25)];
    const names = [];
    for (let i = 0; i < 3000; i++) {
      let name = '';
      for (let j = 0, n = 1 + (i * 7) % 5; j < n; j++) name += parts[(i * 13 + j * 5 + (i >> 3)) % parts.length];
      names.push(name);
    }
    const rank = MakeRank(), upper = names.map((n) => n.toUpperCase()), nameOf = (k) => names[k];
    const masks = new Int32Array(names.map((n, k) => rank.WordStarts(n, upper[k])));
    const out = [];
    for (const [term, plain] of [['WINDOW', true], ['WIN', true], ['W', true], ['X', true], ['2', true],
      ['STRASSE', true], ['_', true], ['$', false], ['W$', false], ['^W', false], ['(?:)', false]]) {
      const re = plain ? null : new RegExp(term);
      const groupers = [null, masks].map((m) => rank.Grouper(term, upper, m, nameOf));
      let matched = 0;
      upper.forEach((u, k) => {
        const m = plain ? { index: u.indexOf(term), 0: term } : re.exec(u);
        if (m == null || m.index < 0) return;
        matched++;
        const groups = groupers.map((g) => g(k, m.index, m[0].length, plain));
        if (groups[1] !== groups[0]) out.push(term + ' ' + names[k] + ' ' + groups.join());
      });
      if (matched < 2) out.push(term + ' matched too little to tell');
    }
    return out;
  });
  assert.deepEqual(disagreements, []);
  assert.deepEqual(problems.pageErrors, []);
});
