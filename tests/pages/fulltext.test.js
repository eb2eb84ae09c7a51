'use strict';
// Full-text search of the pages: prose finds its section first, phrases,
// the word being typed, marked excerpts, Enter opens the section, and a
// shard missing or from another build gives the notice while command search
// keeps working.

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const h = require('./helpers');
const synthetic = require('./synthetic');

const PAGES = {
  'Guide/effects.html': '<title>Text effects</title><h1>Text effects</h1>' +
    '<h2 id="shadow">Drop shadows</h2><p>To draw text with a soft shadow, render the string twice: first offset ' +
    'in a dark colour, then in place.</p>' +
    '<h2 id="outline">Outlines</h2><p>An outline is made by stamping the glyphs around the pen position.</p>',
  'Guide/colours.html': '<title>Colours</title><nav>Text shadow soft draw twice</nav><h1>Colours</h1>' +
    '<p>A shadow falls on text drawn later. Soft colours, drawn twice, look darker; this page is about colours ' +
    'and mentions text, soft, draw and shadow only in passing.</p>' +
    '<h2 id="markup">Markup</h2><p>Written as &lt;img src=x onerror=window.__pwned=1&gt; it stays text.</p>',
};

let html, browser;

before(async () => {
  html = synthetic.buildInstall(path.join(h.SCRATCH, 'fulltext'), process.env.QUILLMERE_PAGES_EXE, 0, {
    extraLines: ['PaintString( s:String )|/docs/html/Guide/effects.html#shadow'],
    beforeBuild: (install) => {
      for (const [name, body] of Object.entries(PAGES)) {
        const file = path.join(install, 'docs', 'html', name);
        fs.mkdirSync(path.dirname(file), { recursive: true });
        fs.writeFileSync(file, '<html><body>' + body + '</body></html>');
      }
    },
  });
  browser = await h.launch();
});

after(async () => {
  if (browser) await browser.close();
});

async function search(page, typed) {
  await page.evaluate(() => performance.clearMarks('fulltext-shown'));
  await h.fill(page, '#textfield', typed);
  await page.waitForFunction(() => performance.getEntriesByName('fulltext-shown').length > 0 ||
    document.getElementById('fulltextnotice').style.display != 'none');
  return page.$$eval('#fulltextresults li', (items) => items.map((li) => ({
    href: li.querySelector('a').getAttribute('href').replace(/^.*\/docs\/html\//, ''),
    heading: (li.querySelector('.fulltextheading') || {}).textContent || '',
    marks: Array.from(li.querySelectorAll('mark'), (m) => m.textContent),
  })));
}

test('prose, phrase and prefix queries find their sections, marked, and Enter opens the section', async () => {
  const { page, problems } = await h.openPage(browser);
  await page.goto(h.fileUrl(path.join(html, 'index.html')));
  assert.equal(await page.evaluate(() => typeof QuillmereFullText.root), 'function');
  const loaded = () => page.evaluate(() => performance.getEntriesByType('resource')
    .filter((e) => /fulltext/.test(e.name)).length);
  assert.equal(await loaded(), 0, 'nothing of the full-text index before the reader types');

  // Words of the prose only (no command is named so): the section first,
  // ahead of a page that has the same words in passing or in navigation.
  const prose = await search(page, 'how do I draw text with a soft shadow');
  assert.equal(prose[0].href, 'Guide/effects.html#shadow');
  assert.equal(prose[0].heading, 'Drop shadows');
  assert.ok(prose[0].marks.includes('soft') && prose[0].marks.includes('shadow'), prose[0].marks.join());
  assert.equal(await h.text(page, '#resultcount'), '0 commands');

  assert.deepEqual((await search(page, '"render the string twice"')).map((r) => r.href), ['Guide/effects.html#shadow']);
  assert.deepEqual(await search(page, '"twice the string render"'), [], 'the words, but not as a phrase');

  const prefix = await search(page, 'glyphs stamp');
  assert.equal(prefix[0].href, 'Guide/effects.html#outline');
  assert.ok(prefix[0].marks.includes('stamping'));

  // Markup in a page's text is shown as text; odd queries break nothing.
  assert.equal((await search(page, 'onerror pwned'))[0].href, 'Guide/colours.html#markup');
  for (const odd of ['x'.repeat(10000), '.*+?()[]{}|\\^$', '"', '<b>the</b>', 'the of and']) await search(page, odd);
  assert.equal(await page.$$eval('#fulltext img', (n) => n.length), 0);
  assert.equal(await page.evaluate(() => window.__pwned), undefined);

  // What a query is looked up by: identifiers whole, stop words dropped
  // while other words remain, the word being typed marked as a start.
  const parsed = await page.evaluate((qs) => qs.map((q) => QuillmereFullText.ParseQuery(q).words
    .map((w) => w.term + (w.prefix ? '*' : '')).join(' ')), ['GtkWidget gtk_widget_show', 'how do I close a so',
    'the of', '"draw the text" twice ', 'std::vector x.y_z']);
  assert.deepEqual(parsed, ['gtkwidget gtk_widget_show*', 'close so*', 'the of*', 'draw the text twice',
    'std::vector x.y_z*']);

  await search(page, 'soft shadow');
  await page.focus('#fulltextresults a');
  await Promise.all([page.waitForNavigation(), page.keyboard.press('Enter')]);
  assert.match(page.url(), /Guide\/effects\.html#shadow$/);
  assert.deepEqual(problems.pageErrors, []);
  assert.deepEqual(problems.failedRequests.filter((r) => /fulltext(-[tx][0-9]+)?\.js/.test(r)), []);
});

test('a shard missing or from another build gives the notice; command search keeps working', async () => {
  const modules = path.join(html, 'Modules');
  const shard = path.join(modules, 'fulltext-t0.js');
  const bytes = fs.readFileSync(shard, 'utf8');
  try {
    for (const damage of [() => fs.rmSync(shard), () => fs.writeFileSync(shard, bytes.replace(/"[0-9a-f]{12}"/, '"000000000000"'))]) {
      damage();
      const { page } = await h.openPage(browser);
      await page.goto(h.fileUrl(path.join(html, 'index.html')));
      await search(page, 'shadow');
      assert.match(await h.text(page, '#fulltextnotice'), /incomplete.*rebuild/);
      await h.fill(page, '#textfield', 'paint');
      await h.settled(page);
      assert.equal(await h.text(page, '#resultcount'), '1 commands');
      await page.close();
    }
  } finally {
    fs.writeFileSync(shard, bytes);
  }
});
