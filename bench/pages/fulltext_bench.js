'use strict';
// Full-text benchmark.  For each corpus (synthetic sets of N pages of
// realistic text, and real documentation folders given on the command line)
// it indexes an installation with the real program and measures
//   - sizes: the index without its stored text (root and term shards) and
//     the stored text (text shards) against the text they cover, white
//     space collapsed (counted from the stored titles, headings and text);
//   - build throughput: the program's build against `xmllint --html --noout`
//     over the same pages;
//   - in headless Chromium, after the root file has loaded: keystroke to
//     updated full-text results (median, shards loaded on the way included);
//   - page load to first command results with and without the full-text
//     files present;
//   - relevance (real sets only): for up to 300 pages, the query of two
//     distinctive words of the page; the share with that page in the first five.
// Prints tables; asserts nothing.
//
// usage: node bench/pages/fulltext_bench.js path/to/Quillmere [syn:N ...] [real:DIR ...]

const path = require('node:path');
const fs = require('node:fs');
const vm = require('node:vm');
const { execFileSync } = require('node:child_process');
const tests = path.resolve(__dirname, '..', '..', 'tests', 'pages');
const puppeteer = require(path.join(tests, 'node_modules', 'puppeteer-core'));
const { pathToFileURL } = require('node:url');

const exe = path.resolve(process.argv[2] || 'build/Quillmere');
const corpora = process.argv.length > 3 ? process.argv.slice(3) : ['syn:1000', 'syn:10000'];
const scratch = path.resolve(path.dirname(exe), 'fulltext-bench');

function median(xs) {
  const s = xs.slice().sort((a, b) => a - b);
  return s.length === 0 ? NaN : s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
}
function seconds(fn) {
  const t = process.hrtime.bigint();
  fn();
  return Number(process.hrtime.bigint() - t) / 1e9;
}

// A deterministic generator, so every run measures the same pages.
let seed = 12345;
function rnd() {
  seed = (seed * 1103515245 + 12345) & 0x7fffffff;
  return seed / 0x80000000;
}
const BASE_WORDS = ('the of and to a in is that for it as with be on by this are from or an which can at not ' +
  'function returns value widget window buffer string pointer object signal callback memory list data file ' +
  'stream error type class instance property default called when if used must set get new free allocated ' +
  'length number array element child parent container text font colour draw render shadow surface image ' +
  'context socket connection close open read write event handler timeout thread lock queue hash table key ' +
  'iterator node tree path directory name flags mode size offset position width height layout style theme ' +
  'cursor selection clipboard menu button label entry dialog toolbar scroll view model column row cell ' +
  'renderer action application settings schema variant dictionary boxed enum interface parameter argument ' +
  'reference count unref emitted notify closure marshal source context loop idle priority main').split(' ');
// Zipf-like: earlier words far more often; made-up rarer words give the long tail.
function word(vocab) {
  const r = rnd();
  if (r < 0.85) return BASE_WORDS[Math.floor(Math.pow(rnd(), 2.2) * BASE_WORDS.length)];
  return vocab[Math.floor(Math.pow(rnd(), 1.5) * vocab.length)];
}
function sentence(vocab, n) {
  const w = [];
  for (let k = 0; k < n; k++) w.push(word(vocab));
  if (rnd() < 0.2) w.push('g_' + word(vocab) + '_' + word(vocab) + '()');
  w[0] = w[0].charAt(0).toUpperCase() + w[0].slice(1);
  return w.join(' ') + '.';
}

function syntheticInstall(root, n) {
  const html = path.join(root, 'install', 'docs', 'html');
  fs.mkdirSync(path.join(html, 'Modules'), { recursive: true });
  fs.writeFileSync(path.join(html, 'Modules', 'commands.txt'), 'Page0|/docs/html/syn/0/p0.html\n');
  const syll = ['ka', 'lo', 'mi', 'ne', 'ru', 'sa', 'ti', 'vo', 'ze', 'qu', 'ar', 'el', 'on', 'ix'];
  const vocab = [];
  for (let k = 0; k < 30000; k++) {
    let w = '';
    for (let s = 2 + (k % 3); s > 0; s--) w += syll[Math.floor(rnd() * syll.length)];
    vocab.push(w);
  }
  const pages = [];
  for (let p = 0; p < n; p++) {
    const dir = path.join(html, 'syn', String(Math.floor(p / 1000)));
    if (p % 1000 === 0) fs.mkdirSync(dir, { recursive: true });
    let body = '<html><head><title>' + sentence(vocab, 3) + '</title><script>var x=1;</script></head><body>' +
      '<div class="navbar"><a href="../index.html">Home</a> Up Next</div><h1>' + sentence(vocab, 3) + '</h1>';
    const sections = 2 + Math.floor(rnd() * 5);
    for (let s = 0; s < sections; s++) {
      body += '<h2 id="s' + s + '">' + sentence(vocab, 3) + '</h2>';
      for (let q = 1 + Math.floor(rnd() * 3); q > 0; q--) {
        let para = '';
        for (let k = 3 + Math.floor(rnd() * 5); k > 0; k--) para += sentence(vocab, 6 + Math.floor(rnd() * 12)) + ' ';
        body += '<p>' + para + '</p>\n';
      }
    }
    const file = path.join(dir, 'p' + p + '.html');
    fs.writeFileSync(file, body + '</body></html>\n');
    pages.push(file);
  }
  return { install: path.join(root, 'install'), pages };
}

function realInstall(root, from) {
  const html = path.join(root, 'install', 'docs', 'html');
  fs.mkdirSync(path.join(html, 'Modules'), { recursive: true });
  fs.writeFileSync(path.join(html, 'Modules', 'commands.txt'), '');
  execFileSync('cp', ['-rL', from, path.join(html, 'ref')]);
  const pages = execFileSync('find', [path.join(html, 'ref'), '-name', '*.html'], { maxBuffer: 1 << 28 })
    .toString().split('\n').filter(Boolean);
  return { install: path.join(root, 'install'), pages };
}

function build(root, install) {
  const app = path.join(root, 'app');
  fs.mkdirSync(app, { recursive: true });
  fs.copyFileSync(exe, path.join(app, 'Quillmere'));
  fs.chmodSync(path.join(app, 'Quillmere'), 0o755);
  const run = (args) => execFileSync(path.join(app, 'Quillmere'), ['--dir', install].concat(args),
    { cwd: root, stdio: ['ignore', 'ignore', 'pipe'], maxBuffer: 1 << 26 });
  const without = seconds(() => run(['--no-full-text', 'build']));
  const withFull = seconds(() => run(['build']));
  // Batch mode echoes each argument, the program's path included, and
  // pauses 100 ms after each: a fixed cost of start-up, not of the build.
  const echo = 0.1 * 4;
  return { without, withFull, echo };
}

// Everything the text shards hold, by section.
function readIndex(modules) {
  const sandbox = { sections: [], pages: [], root: null, bytes: { root: 0, terms: 0, text: 0 } };
  sandbox.QuillmereFullText = {
    root: (r) => { sandbox.root = r; },
    terms: () => {},
    text: (build, n, pages, sections) => {
      // Tab-ended fields; paths and anchors after the length (one digit) of
      // the start they share with the one before.
      const unshared = (coded, previous) => {
        const c = coded.charCodeAt(0);
        return previous.substring(0, c > 0x5c ? c - 0x24 : c - 0x23) + coded.substring(1);
      };
      const p = pages.split('\t'), s = sections.split('\t'), owner = [];
      let previous = '';
      for (let k = 0; k + 2 < p.length; k += 3) {
        previous = unshared(p[k], previous);
        const at = sandbox.pages.length;
        sandbox.pages.push({ path: previous, title: p[k + 1] });
        for (let j = Number(p[k + 2]); j > 0; j--) owner.push(at);
      }
      previous = '';
      for (let k = 0; k + 2 < s.length; k += 3) {
        previous = unshared(s[k], previous);
        sandbox.sections.push({ page: owner[k / 3], anchor: previous, heading: s[k + 1], text: s[k + 2] });
      }
    },
  };
  vm.createContext(sandbox);
  for (const name of fs.readdirSync(modules)) {
    if (!/^fulltext(-[tx]\d+|-p)?\.js$/.test(name)) continue;
    const text = fs.readFileSync(path.join(modules, name), 'utf8');
    const size = fs.statSync(path.join(modules, name)).size;
    if (name === 'fulltext.js' || name === 'fulltext-p.js') sandbox.bytes.root += size;
    else if (name.startsWith('fulltext-t')) sandbox.bytes.terms += size;
    else sandbox.bytes.text += size;
    if (name.startsWith('fulltext-x') || name === 'fulltext.js') vm.runInContext(text, sandbox);
  }
  // covered: the text itself, collapsed; storedText: the same strings as the
  // shards write them (escapes included).  The rest of the text shards
  // (paths, anchors, numbers, punctuation) is the document table, counted
  // with the index.
  let covered = 0, storedText = 0;
  const written = (s) => Buffer.byteLength(s) + (s.match(/["\\]/g) || []).length;
  for (const p of sandbox.pages) {
    covered += Buffer.byteLength(p.title);
    storedText += written(p.title);
  }
  for (const s of sandbox.sections) {
    covered += Buffer.byteLength(s.heading) + Buffer.byteLength(s.text) + 1;
    storedText += written(s.heading) + written(s.text);
  }
  sandbox.covered = covered;
  sandbox.storedText = storedText;
  return sandbox;
}

async function typeAndTime(page, text) {
  return page.evaluate(async (q) => {
    const field = document.getElementById('textfield');
    performance.clearMarks('fulltext-shown');
    const t0 = performance.now();
    field.value = q;
    field.dispatchEvent(new Event('input'));
    while (performance.getEntriesByName('fulltext-shown').length === 0) {
      await new Promise((r) => setTimeout(r, 1));
      if (performance.now() - t0 > 20000) return -1;
    }
    return performance.getEntriesByName('fulltext-shown')[0].startTime - t0;
  }, text);
}

async function pageLoad(browser, url) {
  const times = [];
  for (let k = 0; k < 5; k++) {
    const page = await browser.newPage();
    await page.goto(url);
    await page.waitForFunction(() => performance.getEntriesByName('results-shown').length > 0);
    times.push(await page.evaluate(() => performance.getEntriesByName('results-shown')[0].startTime));
    await page.close();
  }
  return median(times);
}

function distinctiveQueries(index, count) {
  // Words by page, and in how many pages each occurs.
  const STOP = new Set('the and for with that this from are which can not its has have been will was when into'.split(' '));
  const byPage = new Map();
  index.sections.forEach((s) => {
    if (!byPage.has(s.page)) byPage.set(s.page, []);
    byPage.get(s.page).push(s.heading + ' ' + s.text);
  });
  const df = new Map(), tfs = new Map();
  for (const [p, texts] of byPage) {
    const tf = new Map();
    for (const w of texts.join(' ').toLowerCase().match(/[a-z][a-z]{3,}/g) || []) {
      if (!STOP.has(w)) tf.set(w, (tf.get(w) || 0) + 1);
    }
    tfs.set(p, tf);
    for (const w of tf.keys()) df.set(w, (df.get(w) || 0) + 1);
  }
  const pages = Array.from(byPage.keys()).filter((p) => tfs.get(p).size >= 20);
  const step = Math.max(1, Math.floor(pages.length / count));
  const out = [];
  for (let k = 0; k < pages.length && out.length < count; k += step) {
    const p = pages[k], tf = tfs.get(p);
    // Words a reader might remember from the page: rare in the set, yet not
    // unique to the page, ranked by tf-idf.
    const ranked = Array.from(tf.entries()).filter(([w]) => df.get(w) >= 2 && df.get(w) <= 40)
      .map(([w, n]) => [w, n * Math.log(byPage.size / df.get(w))]).sort((a, b) => b[1] - a[1]);
    if (ranked.length >= 2) out.push({ page: index.pages[p].path, query: ranked[0][0] + ' ' + ranked[1][0] });
  }
  return out;
}

async function main() {
  const browser = await puppeteer.launch({
    browser: 'chrome',
    executablePath: process.env.QUILLMERE_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update', '--no-first-run'],
  });
  const rows = [], relevance = [];
  for (const corpus of corpora) {
    const [kind, arg] = corpus.split(/:(.*)/);
    const root = path.join(scratch, kind + '-' + path.basename(arg));
    fs.rmSync(root, { recursive: true, force: true });
    const made = kind === 'syn' ? syntheticInstall(root, Number(arg)) : realInstall(root, arg);
    const times = build(root, made.install);
    const list = path.join(root, 'pages.txt');
    fs.writeFileSync(list, made.pages.join('\n'));
    const lint = seconds(() => execFileSync('sh', ['-c', 'xargs -d "\\n" xmllint --html --noout < "$0" 2>/dev/null || true', list]));
    const html = path.join(made.install, 'docs', 'html');
    const index = readIndex(path.join(html, 'Modules'));
    const searchUrl = pathToFileURL(path.join(html, 'index.html')).href;

    const page = await browser.newPage();
    await page.goto(searchUrl);
    // The root loads with the first key; then every query is timed.
    await typeAndTime(page, 'q');
    const words = ['shadow render', 'socket close', 'widget draw', 'memory free', 'signal emitted', 'buffer text',
      'window', 'draw', 'iterator node', 'thread lock', 'list append', 'file read', 'error domain', 'sel', 'theme',
      'object ref', 'hash table', 'key', 'timeout', 'clipboard'];
    const latencies = [];
    for (const w of words) {
      // Letter by letter, as typed.
      for (let k = 1; k <= w.length; k++) latencies.push(await typeAndTime(page, w.substring(0, k)));
    }
    let found = null;
    if (kind === 'real') {
      const queries = distinctiveQueries(index, 300);
      let hits = 0;
      for (const q of queries) {
        await typeAndTime(page, q.query + ' ');
        const hrefs = await page.$$eval('#fulltextresults li a', (as) => as.slice(0, 5).map((a) => decodeURI(a.href)));
        if (hrefs.some((h) => h.split('#')[0].endsWith(q.page))) hits++;
      }
      found = { corpus: arg, pages: index.pages.length, queries: queries.length, hits };
      relevance.push(found);
    }
    await page.close();
    const loadWith = await pageLoad(browser, searchUrl);
    const moved = path.join(root, 'moved');
    fs.mkdirSync(moved, { recursive: true });
    for (const name of fs.readdirSync(path.join(html, 'Modules'))) {
      if (/^fulltext/.test(name)) fs.renameSync(path.join(html, 'Modules', name), path.join(moved, name));
    }
    const loadWithout = await pageLoad(browser, searchUrl);

    rows.push({ corpus, pages: index.pages.length, sections: index.sections.length, text: index.covered,
      index: index.bytes.root + index.bytes.terms + index.bytes.text - index.storedText, stored: index.storedText,
      shards: index.bytes.text, terms: index.bytes.terms, root: index.bytes.root,
      build: times.withFull, buildWithout: times.without, echo: times.echo, lint, keyMedian: median(latencies.filter((x) => x >= 0)),
      keyMax: Math.max(...latencies), loadWith, loadWithout });
    fs.rmSync(root, { recursive: true, force: true });
  }
  await browser.close();
  const mb = (b) => (b / 1048576).toFixed(1);
  console.log('| corpus | pages | sections | text MB | term shards MB | text shards MB | index w/o stored text MB (ratio) | stored text MB (ratio) | root + page starts KB | build s (without full text) | xmllint s | xmllint/build | xmllint/(build - echo pauses) | key median ms | key max ms | load ms with / without |');
  console.log('|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|');
  for (const r of rows) {
    console.log(`| ${r.corpus} | ${r.pages} | ${r.sections} | ${mb(r.text)} | ${mb(r.terms)} | ${mb(r.shards)} | ${mb(r.index)} (${(r.index / r.text).toFixed(2)}) | ` +
      `${mb(r.stored)} (${(r.stored / r.text).toFixed(2)}) | ${(r.root / 1024).toFixed(1)} | ${r.build.toFixed(1)} (${r.buildWithout.toFixed(1)}) | ` +
      `${r.lint.toFixed(1)} | ${(r.lint / r.build).toFixed(2)} | ${(r.lint / (r.build - r.echo)).toFixed(2)} | ${r.keyMedian.toFixed(1)} | ${r.keyMax.toFixed(0)} | ` +
      `${r.loadWith.toFixed(0)} / ${r.loadWithout.toFixed(0)} |`);
  }
  for (const f of relevance) {
    console.log(`relevance ${f.corpus}: ${f.hits} of ${f.queries} two-word queries put their page in the first five ` +
      `(${(100 * f.hits / f.queries).toFixed(1)}%), ${f.pages} pages indexed`);
  }
}

if (require.main === module) main().catch((e) => { console.error(e); process.exit(1); });
module.exports = { syntheticInstall, readIndex, distinctiveQueries };
