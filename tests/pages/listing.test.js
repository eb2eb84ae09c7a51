'use strict';
// The installed search page and command page: full list, letter bar,
// letter lists, form searches, count line, navigation and resources.

const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { fileURLToPath } = require('node:url');
const h = require('./helpers');

const SEARCH = path.join(h.HTML, 'index.html');
const COMMANDS = path.join(h.MODULES, 'commands.html');
const PAGES = [
  { name: 'search page', file: SEARCH, up: '', modules: 'Modules/' },
  { name: 'command page', file: COMMANDS, up: '../', modules: '' },
];

const session = h.pageSession();

async function visit(file, query, { allowFailed = [] } = {}) {
  return { ...(await session.visit(file, query)), allowFailed };
}

function assertClean({ problems }) {
  assert.deepEqual(problems.pageErrors, [], 'page script threw');
  assert.deepEqual(problems.consoleErrors, [], 'console errors');
  assert.deepEqual(problems.failedRequests, [], 'failed requests');
}

function assertListed(list, expected, what) {
  assert.equal(list.bars, 2, what + ': two letter bars');
  const want = expected.map((k) => ({
    href: 'file:///' + session.cat.links[k], text: session.cat.commands[k], inside: true,
  }));
  assert.deepEqual(list.entries, want, what);
}

test('the catalogue is not empty and holds known names', () => {
  assert.ok(session.cat.commands.length >= 300, 'a few hundred commands');
  assert.equal(session.cat.links.length, session.cat.commands.length);
  assert.equal(session.cat.modules.length, session.cat.commands.length);
  for (const name of ['CreateWindow', 'WaitEvent', 'Left$', 'X=1', 'Size', 'Qux|Some words', 'Tag<b>', '2DVector', 'mod']) {
    assert.ok(session.cat.commands.includes(name), name + ' is in the catalogue');
  }
  assert.equal(session.cat.commands.filter((n) => n === 'Print').length, 3, 'Print is documented by three modules');
});

test('both pages are plain ASCII with CR LF after every line', () => {
  for (const { file } of PAGES) {
    const bytes = fs.readFileSync(file);
    assert.ok(bytes.every((b) => b < 0x80), file + ' is ASCII');
    const text = bytes.toString('latin1');
    assert.ok(text.endsWith('\r\n') && !/[^\r]\n|\r(?!\n)/.test(text), file + ' ends every line with CR LF');
  }
});

for (const p of PAGES) {
  test(p.name + ': no query and an empty query list every command between two letter bars', async () => {
    for (const query of [undefined, '']) {
      const v = await visit(p.file, query);
      assertClean(v);
      assertListed(v.list, h.expectAll(session.cat), 'query ' + JSON.stringify(query));
    }
  });

  test(p.name + ': letter bars offer Home, A to Z and ALL with the right targets', async () => {
    const v = await visit(p.file);
    const bars = await v.page.$$eval('table.navbar', (tables) => tables.map((t) => Array.from(
      t.querySelectorAll('a')).map((a) => [a.textContent, a.getAttribute('href')])));
    const want = [['Home', p.up + 'index.html']]
      .concat(h.LETTERS.map((l) => [l, p.modules + 'commands.html?' + l]))
      .concat([['ALL', p.modules + 'commands.html? ']]);
    assert.deepEqual(bars, [want, want]);
    assertClean(v);
  });

  test(p.name + ': navigation tables, logo, style sheet and Rebuild index link', async () => {
    const v = await visit(p.file);
    const nav = await v.page.evaluate(() => Array.from(document.querySelectorAll('table'))
      .filter((t) => !t.classList.contains('navbar') && t.querySelector('td') &&
        t.querySelectorAll('td').length === 6)
      .map((t) => Array.from(t.querySelectorAll('td')).map((td) => {
        const a = td.querySelector('a');
        return a ? [a.textContent, a.getAttribute('href'), a.href] : null;
      })));
    assert.equal(nav.length, 2, 'two navigation tables');
    const titles = ['Users guide', 'Language reference', 'Module reference', 'Tutorials and articles', 'Credits', 'Rebuild index'];
    const targets = ['User Guide/index.html', 'Language/index.html', 'Modules/index.html', 'Tutorials/index.html', '_credits.html'];
    const button = h.buttonTarget(path.dirname(p.file));
    for (const row of nav) {
      assert.deepEqual(row.map((c) => c[0]), titles);
      assert.deepEqual(row.slice(0, 5).map((c) => c[1]), targets.map((t) => p.up + t));
      assert.equal(row[5][1], button, 'the button script writes the rebuild link');
      for (const c of row.slice(0, 5)) {
        assert.ok(fs.existsSync(fileURLToPath(c[2])), c[1] + ' exists in the installation');
      }
    }
    const logo = await v.page.$eval('img', (img) => [img.getAttribute('src'), img.complete && img.naturalWidth > 0, img.alt]);
    assert.deepEqual(logo, [p.up + 'tlwn120.png', true, 'Tallowin']);
    // The page's own style and the shared sheet both apply: the page's body
    // type wins over the sheet's 9pt, and the sheet is loaded.
    const style = await v.page.evaluate(() => [document.styleSheets.length, getComputedStyle(document.body).fontSize,
      getComputedStyle(document.body).marginTop, document.querySelector('link').sheet !== null]);
    assert.deepEqual(style, [2, '16px', '0px', true]);
    const hint = await v.page.$eval('input[name=textfield]', (i) => i.closest('tr').children[2].textContent);
    assert.equal(hint, 'GADGET* will find all the keywords starting with GADGET, *IMAGE all the words finishing with IMAGE ');
    assertClean(v);
  });
}

test('command page: Total commands line shows the catalogue size above the search table', async () => {
  const v = await visit(COMMANDS);
  const line = await v.page.evaluate(() => {
    const span = Array.from(document.querySelectorAll('span.normale'))
      .find((s) => s.textContent.startsWith('Total commands'));
    const field = document.querySelector('input[name=textfield]');
    return span ? [span.textContent,
      (span.compareDocumentPosition(field) & Node.DOCUMENT_POSITION_FOLLOWING) !== 0] : null;
  });
  assert.deepEqual(line, ['Total commands ' + session.cat.commands.length + ' ', true]);
  assertClean(v);
  const s = await visit(SEARCH);
  assert.equal(await s.page.evaluate(() => Array.from(document.querySelectorAll('span'))
    .some((e) => e.textContent.startsWith('Total commands'))), false, 'the search page has no count line');
});

test('letter queries list the names that begin with that upper-case letter', async () => {
  let nonEmpty = 0;
  for (const letter of h.LETTERS) {
    const v = await visit(COMMANDS, letter);
    assertClean(v);
    const want = h.expectLetter(session.cat, letter);
    assertListed(v.list, want, 'letter ' + letter);
    if (want.length) nonEmpty++;
  }
  assert.ok(nonEmpty >= 24, 'most letters have commands');
  // Known names of the sample, independent of the rule above.
  const g = await visit(COMMANDS, 'G');
  const names = g.list.entries.map((e) => e.text);
  for (const n of ['GadgetText', 'GadgetWidth', 'Graphics', 'GetChar']) assert.ok(names.includes(n), n);
  assert.ok(!names.includes('global'), 'lower-case names are not in the letter list');
});

test('a lower-case letter lists the same as the upper-case one; two letters list nothing', async () => {
  for (const [query, want] of [['w', h.expectLetter(session.cat, 'W')], ['s', h.expectLetter(session.cat, 'S')], ['ab', []], ['Wa', []]]) {
    for (const file of [COMMANDS, SEARCH]) {
      const v = await visit(file, query);
      assertClean(v);
      assertListed(v.list, want, file + '?' + query);
    }
  }
  assert.ok(h.expectLetter(session.cat, 'W').length > 0);
});

// Clicks the link of the first letter bar whose text is exactly text.
async function clickBarLink(page, text) {
  const link = await page.evaluateHandle((t) => Array.from(document.querySelector('table.navbar').querySelectorAll('a'))
    .find((a) => a.textContent === t), text);
  await link.asElement().click();
}

test('following the letter bar and ALL from the search page', async () => {
  const v = await visit(SEARCH);
  await Promise.all([v.page.waitForNavigation(), clickBarLink(v.page, 'K')]);
  assert.equal(path.basename(fileURLToPath(v.page.url().replace(/\?.*$/, ''))), 'commands.html');
  let list = await h.readList(v.page);
  assertListed(list, h.expectLetter(session.cat, 'K'), 'letter K');
  assert.ok(list.entries.some((e) => e.text === 'KeyDown'));
  await Promise.all([v.page.waitForNavigation(), clickBarLink(v.page, 'ALL')]);
  list = await h.readList(v.page);
  assertListed(list, h.expectAll(session.cat), 'ALL');
  await Promise.all([v.page.waitForNavigation(), clickBarLink(v.page, 'Home')]);
  assert.equal(fileURLToPath(v.page.url()), SEARCH);
  assertClean(v);
});

// Typing into the field and pressing Search, as a reader would.
async function typeAndSearch(page, term) {
  await h.fill(page, 'input[name=textfield]', term);
  await Promise.all([page.waitForNavigation(), page.click('input[name=Submit]')]);
  return h.readList(page);
}

test('form searches: contains, begins-with, ends-with, "*" and both stars', async () => {
  const cases = [
    ['gadget', ['FreeGadget', 'GadgetList', 'ActivateGadget']],
    ['^create.*box$', ['CreateComboBox', 'CreateListBox']],
    ['Create*', ['CreateButton', 'CreateTCPSocket']],
    ['*gadget', ['FreeGadget', 'HideGadget']],
    ['*', ['Abs', 'xor', 'Tag<b>']],
    ['', ['Abs', 'xor']],
    ['*Socket*', ['CloseSocket', 'BindSocket']],
    ['read*', ['ReadLine', 'ReadDir']],
    ['*line', ['ReadLine', 'WriteLine', 'DrawLine']],
  ];
  for (const file of [SEARCH, COMMANDS]) {
    const v = await visit(file);
    for (const [term, known] of cases) {
      const list = await typeAndSearch(v.page, term);
      assertListed(list, h.expectSearch(session.cat, term), 'typed ' + JSON.stringify(term));
      const names = list.entries.map((e) => e.text);
      for (const n of known) {
        assert.ok(names.includes(n), JSON.stringify(term) + ' finds ' + n);
      }
      const url = new URL(v.page.url());
      assert.equal(url.search.startsWith('?textfield='), true);
      assert.ok(url.search.endsWith('&Submit=Search'));
    }
    // Begins-with and ends-with are exact about their end of the name.
    let list = await typeAndSearch(v.page, '*gadget');
    assert.ok(list.entries.every((e) => e.text.toUpperCase().endsWith('GADGET')));
    assert.ok(!list.entries.some((e) => e.text === 'GadgetList'));
    list = await typeAndSearch(v.page, 'gadget*');
    assert.ok(list.entries.length > 0 && list.entries.every((e) => e.text.toUpperCase().startsWith('GADGET')));
    assertClean(v);
  }
});

test('screenshots of a search at desktop and phone width, light and dark, and of a letter list', async () => {
  h.ensureDir(h.SHOTS);
  const dark = await h.launch({ dark: true });
  try {
    const darkPage = await dark.newPage();
    const v = await visit(SEARCH);
    for (const [page, scheme] of [[v.page, ''], [darkPage, '-dark']]) {
      if (page === darkPage) await page.goto(h.fileUrl(SEARCH));
      for (const [name, size] of [['search-desktop', { width: 1280, height: 800 }], ['search-phone', { width: 390, height: 844 }]]) {
        await page.setViewport(size);
        await h.fill(page, 'input[name=textfield]', 'gadget');
        await h.readList(page);
        await page.keyboard.press('ArrowDown');
        await page.screenshot({ path: path.join(h.SHOTS, name + scheme + '.png') });
      }
    }
  } finally {
    await dark.close();
  }
  await session.tab.page.setViewport({ width: 1280, height: 720 });
  const l = await visit(COMMANDS, 'S');
  await l.page.screenshot({ path: path.join(h.SHOTS, 'letters.png'), fullPage: true });
  assertClean(l);
  for (const f of ['search-desktop.png', 'search-phone.png', 'search-desktop-dark.png', 'search-phone-dark.png', 'letters.png']) {
    assert.ok(fs.statSync(path.join(h.SHOTS, f)).size > 1000, f + ' written');
  }
});
