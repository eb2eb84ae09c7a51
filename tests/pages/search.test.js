'use strict';
// The search box as a reader uses it: results while typing, addresses that
// still work as deep links, the count, the module filter, the keyboard, and
// catalogues far beyond what a function call can take as arguments.

const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { fileURLToPath } = require('node:url');
const h = require('./helpers');
const synthetic = require('./synthetic');

const SEARCH = path.join(h.HTML, 'index.html');
const COMMANDS = path.join(h.MODULES, 'commands.html');

const session = h.pageSession();

const visit = session.visit;

function assertClean(v) {
  assert.deepEqual(v.problems.pageErrors, [], 'page script threw');
  assert.deepEqual(v.problems.consoleErrors, [], 'console errors');
}

function positions(list, c = session.cat) {
  // Entries back to catalogue positions, through their unique links.
  return list.entries.map((e) => e.href);
}

function hrefs(ks, c = session.cat) {
  return ks.map((k) => 'file:///' + c.links[k]);
}

async function countText(page) {
  return h.text(page, '#resultcount');
}

// Types into the field as a reader does (no form submission).
async function typeTerm(page, term) {
  await h.fill(page, '#textfield', term);
  return h.readList(page);
}

// The module map's key: the letters a to z upper-cased, nothing else.
function moduleKey(text) {
  return text.replace(/[a-z]+/g, (m) => m.toUpperCase());
}

test('addresses still open the described lists and the field shows their term', async () => {
  const cases = [
    [SEARCH, undefined, '', h.expectAll(session.cat)],
    [SEARCH, h.searchQuery('Create*'), 'Create*', h.expectSearch(session.cat, 'Create*')],
    [COMMANDS, h.searchQuery('*line'), '*line', h.expectSearch(session.cat, '*line')],
    [COMMANDS, h.searchQuery('^create.*box$'), '^create.*box$', h.expectSearch(session.cat, '^create.*box$')],
    [COMMANDS, 'B', 'B', h.expectLetter(session.cat, 'B')],
  ];
  for (const [file, query, field, want] of cases) {
    const v = await visit(file, query);
    assertClean(v);
    assert.deepEqual(positions(v.list), hrefs(want), String(query));
    assert.equal(await h.value(v.page, '#textfield'), field, 'field for ' + query);
    assert.equal(await countText(v.page), want.length + ' commands');
  }
});

test('typing narrows the list without loading the page again, the match highlighted', async () => {
  const v = await visit(SEARCH);
  const url = v.page.url();
  await v.page.evaluate(() => { window.__samePage = true; });
  for (const term of ['g', 'ga', 'gadget', 'gadget*', '*gadget', 'read.*e$', '(', '*', '']) {
    const list = await typeTerm(v.page, term);
    const want = h.expectSearch(session.cat, term);
    assert.deepEqual(positions(list), hrefs(want), 'typed ' + JSON.stringify(term));
    assert.equal(await countText(v.page), want.length + ' commands');
  }
  const list = await typeTerm(v.page, 'gadget');
  assert.ok(list.entries.length > 10);
  const marks = await v.page.$$eval('#results a', (as) => as.map((a) => {
    const m = a.querySelector('mark');
    return m ? m.textContent.toUpperCase() : null;
  }));
  assert.ok(marks.every((m) => m === 'GADGET'), 'the matched part is marked in every result');
  assert.equal(v.page.url(), url);
  assert.equal(await v.page.evaluate(() => window.__samePage), true, 'no page load');
  assertClean(v);
});

test('each result shows its module, and the module filter narrows the list', async () => {
  const v = await visit(COMMANDS);
  const shown = await v.page.$$eval('#results .entry', (rows) => rows.slice(0, 400).map((r) => r.querySelector('.module').textContent));
  assert.deepEqual(shown, session.cat.modules.slice(0, 400));
  const options = await v.page.$$eval('#modulefilter option', (os) => os.map((o) => [o.value, o.textContent]));
  const keys = [...new Set(session.cat.mods.map(moduleKey).filter((k) => k !== ''))];
  assert.deepEqual(options.map((o) => o[0]), [''].concat(keys), 'all modules, then each module once');
  assert.equal(options[0][1], 'all modules');
  // Modules spelled with different letter cases are one choice.
  const key = moduleKey('tlw.gadgets');
  assert.ok(keys.includes(key));
  await v.page.select('#modulefilter', key);
  let list = await h.readList(v.page);
  let want = session.cat.commands.flatMap((_, k) => (moduleKey(session.cat.modules[k]) === key ? [k] : []));
  assert.ok(want.length > 5);
  assert.deepEqual(positions(list), hrefs(want));
  assert.equal(await countText(v.page), want.length + ' commands');
  // The filter and the term work together.
  list = await typeTerm(v.page, 'create*');
  want = h.expectSearch(session.cat, 'create*').filter((k) => moduleKey(session.cat.modules[k]) === key);
  assert.deepEqual(positions(list), hrefs(want));
  await v.page.select('#modulefilter', '');
  list = await h.readList(v.page);
  assert.deepEqual(positions(list), hrefs(h.expectSearch(session.cat, 'create*')));
  assertClean(v);
});

test('keyboard: focus on load, Down and Up move, Enter opens, Escape clears', async () => {
  const v = await visit(SEARCH);
  assert.equal(await v.page.evaluate(() => document.activeElement.id), 'textfield');
  await v.page.keyboard.type('gadget');
  await v.page.waitForFunction(() => document.getElementById('textfield').value === 'gadget');
  await h.readList(v.page);
  const want = h.expectSearch(session.cat, 'gadget');
  assert.ok(want.length >= 3);
  const selected = () => v.page.$$eval('#results .entry.selected', (rows) => rows.map((r) => r.getAttribute('href')));
  // What assistive technology is told: the field controls the list, which is
  // open, and names the highlighted option, the only one selected.
  const told = () => v.page.evaluate(() => {
    const field = document.getElementById('textfield');
    const active = document.getElementById(field.getAttribute('aria-activedescendant'));
    return {
      expanded: field.getAttribute('aria-expanded'),
      active: active && active.getAttribute('role') === 'option' ? active.getAttribute('href') : null,
      chosen: Array.from(document.querySelectorAll('#results [aria-selected="true"]')).map((r) => r.getAttribute('href')),
      focus: document.activeElement.id,
    };
  });
  assert.deepEqual(await told(), { expanded: 'true', active: null, chosen: [], focus: 'textfield' });
  for (const [key, at] of [['ArrowDown', 0], ['ArrowDown', 1], ['ArrowDown', 2], ['ArrowUp', 1]]) {
    await v.page.keyboard.press(key);
    assert.deepEqual(await selected(), hrefs([want[at]]), key + ' highlights result ' + at);
    const href = hrefs([want[at]])[0];
    assert.deepEqual(await told(), { expanded: 'true', active: href, chosen: [href], focus: 'textfield' }, key);
  }
  // The count is announced once typing has settled.
  await v.page.waitForFunction((n) => document.getElementById('resultsummary').textContent === n + ' commands', {},
    want.length);
  await v.page.keyboard.press('Escape');
  assert.equal(await h.value(v.page, '#textfield'), '');
  let list = await h.readList(v.page);
  assert.equal(list.entries.length, session.cat.commands.length, 'Escape clears the term');
  assert.deepEqual(await selected(), []);
  assert.equal((await told()).active, null, 'nothing highlighted after Escape');
  await typeTerm(v.page, 'gadget');
  await v.page.keyboard.press('ArrowDown');
  await v.page.keyboard.press('ArrowDown');
  await Promise.all([v.page.waitForNavigation(), v.page.keyboard.press('Enter')]);
  // Firefox keeps the fourth slash of file:////path, which names the same file.
  const opened = path.resolve(fileURLToPath(v.page.url().split('#')[0]));
  assert.equal(opened, path.resolve(session.cat.links[want[1]].split('#')[0]), 'Enter opened the highlighted result');
  assert.ok(fs.existsSync(opened), 'an existing page');
  // Without a highlighted result, Enter still sends the form.
  list = (await visit(SEARCH)).list;
  await typeTerm(session.tab.page, 'gadget*');
  await Promise.all([session.tab.page.waitForNavigation(), session.tab.page.keyboard.press('Enter')]);
  assert.equal(new URL(session.tab.page.url()).search, '?textfield=gadget*&Submit=Search');
  list = await h.readList(session.tab.page);
  assert.deepEqual(positions(list), hrefs(h.expectSearch(session.cat, 'gadget*')));
});

test('results come before the links; a result chosen meanwhile opens once they arrive', async () => {
  const { page, problems } = await h.openPage(session.browser);
  // Holds links.js back until the test lets it go.
  await page.evaluateOnNewDocument(() => {
    const append = Node.prototype.appendChild;
    window.heldLinks = [];
    window.releaseLinks = () => { for (const [parent, node] of window.heldLinks) append.call(parent, node); };
    Node.prototype.appendChild = function (node) {
      if (node instanceof HTMLScriptElement && /links\.js$/.test(node.src)) {
        window.heldLinks.push([this, node]);
        return node;
      }
      return append.call(this, node);
    };
  });
  const url = h.fileUrl(SEARCH, h.searchQuery('gadget'));
  await page.goto(url);
  await page.waitForFunction(() => window.heldLinks.length === 1);
  const want = h.expectSearch(session.cat, 'gadget');
  const rows = await page.$$eval('#results .entry', (es) => es.map((e) => [e.querySelector('.name').textContent,
    e.querySelector('.module').textContent, e.hasAttribute('href')]));
  assert.deepEqual(rows, want.map((k) => [session.cat.commands[k], session.cat.modules[k], false]),
    'names and modules are drawn, without links yet');
  assert.equal(await page.$eval('#results', (e) => e.getAttribute('aria-busy')), 'true', 'busy until the links are there');
  await (await page.$$('#results .entry'))[1].click();
  assert.equal(page.url(), url, 'nothing opens without a link');
  await Promise.all([page.waitForNavigation(), page.evaluate(() => window.releaseLinks())]);
  assert.equal(path.resolve(fileURLToPath(page.url().split('#')[0])), path.resolve(session.cat.links[want[1]].split('#')[0]),
    'the clicked result opened once its link arrived');
  assert.deepEqual(problems.pageErrors, []);
  await page.close();
});

test('100,000 commands are listed, counted and searched; only what is seen is drawn', async () => {
  const n = 100000;
  const html = synthetic.buildInstall(path.join(h.SCRATCH, 'large'), process.env.QUILLMERE_PAGES_EXE, n);
  const big = h.loadCatalogue(path.join(html, 'Modules'));
  assert.equal(big.commands.length, n);
  assert.match(fs.readFileSync(path.join(html, 'Modules', 'command.js'), 'latin1').slice(0, 20), /^var commands=\["/);
  const page = path.join(html, 'Modules', 'commands.html');
  let v = await visit(page);
  assert.deepEqual(v.problems.pageErrors, []);
  assert.equal(await countText(v.page), n + ' commands');
  assert.equal(await h.text(v.page, '#totalcommands'), 'Total commands ' + n + ' ');
  assert.ok(v.list.entries.length > 10 && v.list.entries.length < 200, 'a window of rows, not the whole list');
  assert.deepEqual(positions(v.list), hrefs(v.list.entries.map((_, k) => k), big));
  // The end of the list is reachable by scrolling.
  await v.page.evaluate(() => window.scrollTo(0, document.getElementById('results').getBoundingClientRect().bottom +
    window.pageYOffset - window.innerHeight));
  await v.page.waitForFunction((last) => Array.from(document.querySelectorAll('#results .name')).some((a) => a.textContent === last),
    {}, big.commands[n - 1]);
  for (const [query, typed] of [[h.searchQuery('window'), 'window'], [h.searchQuery('*0000001'), '*0000001']]) {
    v = await visit(page, query);
    const want = h.expectSearch(big, typed);
    assert.equal(await countText(v.page), want.length + ' commands', typed);
    assert.deepEqual(positions(v.list), hrefs(want.slice(0, v.list.entries.length), big));
  }
  // Typed, the term is matched and ranked on the page's own thread.
  const typedWindow = await typeTerm(v.page, 'window');
  assert.deepEqual(positions(typedWindow), hrefs(h.expectSearch(big, 'window').slice(0, typedWindow.entries.length), big));
  const list = await typeTerm(v.page, 'socketimage00');
  const want = h.expectSearch(big, 'socketimage00');
  assert.ok(want.length > 0);
  assert.equal(await countText(v.page), want.length + ' commands');
  assert.deepEqual(positions(list), hrefs(want.slice(0, list.entries.length), big));
  assert.deepEqual(v.problems.pageErrors, []);
});

test('1,000,000 commands load and are counted', async () => {
  const n = 1000000;
  const { page, names } = synthetic.writeLargeIndex(path.join(h.SCRATCH, 'million', 'Modules'), h.MODULES, n);
  let v = await visit(page);
  assert.deepEqual(v.problems.pageErrors, []);
  assert.equal(await countText(v.page), n + ' commands');
  assert.equal(await h.text(v.page, '#totalcommands'), 'Total commands ' + n + ' ');
  assert.deepEqual(v.list.entries.slice(0, 3).map((e) => e.text), names.slice(0, 3));
  const list = await typeTerm(v.page, '*0999999');
  assert.equal(await countText(v.page), '1 commands');
  assert.deepEqual(list.entries.map((e) => e.text), names.filter((x) => x.endsWith('0999999')));
});
