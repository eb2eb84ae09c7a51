'use strict';
// The pages as people with assistive technology and small screens meet
// them: no WCAG 2.1 A or AA failure (nor best-practice one) that axe-core
// finds in any state of the pages, light or dark, and no sideways scrolling
// or cut-off text at any width from a phone to a wide desktop.

const { test, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const h = require('./helpers');

const SEARCH = path.join(h.HTML, 'index.html');
const COMMANDS = path.join(h.MODULES, 'commands.html');
const AXE = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
const RULES = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'best-practice'];

const session = h.pageSession();

async function typed(page, term) {
  await h.fill(page, '#textfield', term);
  await h.settled(page);
}

// Runs axe-core inside the page and returns one line per failing element.
async function violations(page) {
  await page.evaluate(AXE);
  const found = await page.evaluate((tags) => window.axe.run(document, { runOnly: { type: 'tag', values: tags }, resultTypes: ['violations'] })
    .then((r) => r.violations.map((v) => v.id + ': ' + v.nodes.map((n) => n.target.join(' ')).join(', '))), RULES);
  return found;
}

// A tab of a second browser, one that prefers the dark scheme.
let darkTab = null;
after(async () => {
  if (darkTab) await darkTab.page.browser().close();
});

async function visitDark(file, query) {
  if (!darkTab) darkTab = await h.openPage(await h.launch({ dark: true }));
  const { page, problems } = darkTab;
  for (const list of Object.values(problems)) list.length = 0;
  await page.goto(h.fileUrl(file, query));
  await h.readList(page);
  return { page, problems };
}

function incompleteTree() {
  const short = session.cat.links.slice(0, -1).map((l) => JSON.stringify(l)).join(',');
  return path.join(h.treeWith('a11y-unequal', { 'links.js': 'var links=new Array(' + short + ');' }), 'index.html');
}

// Each state of the pages: where it starts, whether the browser prefers
// dark, and what the reader then does.
const STATES = [
  ['full list', SEARCH, undefined, false, async () => {}],
  ['typed search, a result highlighted', SEARCH, undefined, false, async (page) => {
    await typed(page, 'gadget');
    await page.keyboard.press('ArrowDown');
  }],
  ['no results', SEARCH, h.searchQuery('no such command'), false, async () => {}],
  ['letter list', COMMANDS, 'G', false, async () => {}],
  ['command page', COMMANDS, undefined, false, async () => {}],
  ['module filter in use', COMMANDS, undefined, false, async (page) => {
    const key = await page.$eval('#modulefilter', (s) => s.options[1].value);
    await page.select('#modulefilter', key);
    await typed(page, 'create*');
  }],
  ['incomplete-index notice', null, undefined, false, async () => {}],
  ['dark mode, a result highlighted', SEARCH, undefined, true, async (page) => {
    await typed(page, 'window');
    await page.keyboard.press('ArrowDown');
  }],
  ['dark mode, letter list', COMMANDS, 'S', true, async () => {}],
  ['dark mode, the notice and no results', null, h.searchQuery('x'), true, async () => {}],
];

test('axe-core finds nothing in any state of the pages, light or dark', async () => {
  for (const [what, file, query, dark, act] of STATES) {
    const v = await (dark ? visitDark : session.visit)(file || incompleteTree(), query);
    await act(v.page);
    assert.deepEqual(await violations(v.page), [], what);
    assert.deepEqual(v.problems.pageErrors, [], what);
  }
  // Dark mode is dark, and the light look is the light one.
  const background = (page) => page.evaluate(() => getComputedStyle(document.body).backgroundColor);
  assert.equal(await background((await session.visit(SEARCH)).page), 'rgb(255, 255, 255)');
  assert.equal(await background((await visitDark(SEARCH)).page), 'rgb(13, 17, 23)');
});

test('no sideways scrolling and no text cut off from 320 to 1920 px wide', async () => {
  const v = await session.visit(SEARCH);
  try {
    for (const width of [320, 390, 600, 800, 1024, 1280, 1920]) {
      for (const [file, query] of [[SEARCH, h.searchQuery('gadget')], [COMMANDS, undefined]]) {
        await v.page.setViewport({ width, height: 800 });
        await session.visit(file, query);
        const where = width + ' px, ' + path.basename(file);
        const layout = await v.page.evaluate(() => {
          const wide = innerWidth;
          const outside = Array.from(document.body.querySelectorAll('*'))
            .filter((e) => !e.closest('.visually-hidden') && e.getClientRects().length > 0)
            .filter((e) => { const r = e.getBoundingClientRect(); return r.left < -0.5 || r.right > wide + 0.5; })
            .map((e) => e.tagName + '.' + e.className + ' ' + (e.textContent || '').slice(0, 30));
          const cut = Array.from(document.querySelectorAll('#results .name, #results .module, td.hint, td.field'))
            .filter((e) => e.scrollWidth > e.clientWidth + 1).map((e) => e.textContent.slice(0, 30));
          return { scroll: document.documentElement.scrollWidth - wide, outside, cut };
        });
        assert.ok(layout.scroll <= 0, where + ': scrolls sideways by ' + layout.scroll + ' px');
        assert.deepEqual(layout.outside, [], where + ': outside the window');
        assert.deepEqual(layout.cut, [], where + ': text cut off');
      }
    }
  } finally {
    await v.page.setViewport({ width: 1280, height: 720 });
  }
});
