'use strict';
// Shared pieces of the page tests: where the indexed installation is, the
// catalogue it was given, the expected lists, the browser under test
// (QUILLMERE_BROWSER: chromium or firefox) and a page in it that records
// every script error and failed request.

const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');
const { pathToFileURL } = require('node:url');
const puppeteer = require('puppeteer-core');

const INSTALL = process.env.QUILLMERE_PAGES_INSTALL;
if (!INSTALL) {
  throw new Error('QUILLMERE_PAGES_INSTALL is not set: run the suite through scripts/test-pages');
}
const HTML = path.join(INSTALL, 'docs', 'html');
const MODULES = path.join(HTML, 'Modules');
const SHOTS = process.env.QUILLMERE_PAGES_SHOTS ||
  path.resolve(__dirname, '..', '..', 'build', 'page-screenshots');
const SCRATCH = process.env.QUILLMERE_PAGES_SCRATCH || path.dirname(INSTALL);

const LETTERS = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ'.split('');

// Runs the index files of a documentation tree the way the pages load them
// and returns the arrays they define.
function loadCatalogue(modulesDir = MODULES) {
  const sandbox = {};
  vm.createContext(sandbox);
  for (const name of ['command.js', 'links.js', 'modules.js', 'mod.js']) {
    const file = path.join(modulesDir, name);
    vm.runInContext(fs.readFileSync(file, 'latin1'), sandbox, { filename: file });
  }
  return {
    commands: Array.from(sandbox.commands),
    links: Array.from(sandbox.links),
    modules: Array.from(sandbox.modules),
    mods: Array.from(sandbox.mods),
  };
}

// The link the installed button script writes.
function buttonTarget(dir) {
  const text = fs.readFileSync(path.join(dir, 'button.js'), 'latin1');
  const m = /^document\.write\("<a href='([^']*)'>Rebuild index<\/a>"\);$/.exec(text);
  if (!m) throw new Error('unexpected button script: ' + text);
  return m[1];
}

function fileUrl(file, query) {
  const url = pathToFileURL(file).href;
  return query === undefined ? url : url + '?' + query;
}

// What a browser sends for a form field: "+" for a blank, %XX for every
// byte other than letters, digits and * - . _ (the pages are Latin-1).
function formEncode(text) {
  let out = '';
  for (const ch of text) {
    const code = ch.charCodeAt(0);
    if (/[A-Za-z0-9*\-._]/.test(ch)) out += ch;
    else if (ch === ' ') out += '+';
    else if (code < 256) out += '%' + code.toString(16).toUpperCase().padStart(2, '0');
    else throw new Error('not a Latin-1 character: ' + ch);
  }
  return out;
}

function searchQuery(term) {
  return 'textfield=' + formEncode(term) + '&Submit=Search';
}

// Expected positions in the catalogue, by the pages' rules.
function expectAll(cat) {
  return cat.commands.map((_, k) => k);
}

function expectLetter(cat, letter) {
  const t = letter.toUpperCase();
  if (t === '') return expectAll(cat);
  return cat.commands.flatMap((name, k) => (name.charAt(0) === t ? [k] : []));
}

// The mode and bare term the pages derive from what was typed.
function searchMode(typed) {
  let term = typed;
  let mode = 'contains';
  if (term.endsWith('*')) { mode = 'begins'; term = term.slice(0, -1); }
  if (term.startsWith('*')) { mode = 'ends'; term = term.slice(1); }
  return { mode, term: term.toUpperCase() };
}

// Where a search term starts a word of a name: after a non-letter, at a
// lower-to-upper case change, where digits start or stop.
function startsWord(name, i) {
  if (i === 0) return true;
  const a = name.charAt(i - 1), b = name.charAt(i);
  const digit = (c) => c >= '0' && c <= '9';
  if (digit(a) !== digit(b)) return true;
  if (!digit(a) && a.toLowerCase() === a.toUpperCase()) return true;
  return a !== a.toUpperCase() && b !== b.toLowerCase();
}

// Search results in the pages' order: exact names, then names beginning with
// the term, then names where it starts a word, then the rest, each group in
// catalogue order.
function expectSearch(cat, typed) {
  const { mode, term } = searchMode(typed);
  let re = null;
  if (mode === 'contains' && term !== '') {
    try { re = new RegExp(term); } catch { re = null; }
  }
  const plain = mode === 'contains' && (!re || !/[\\^$.|?*+()[\]{}]/.test(term));
  const groups = [[], [], [], []];
  cat.commands.forEach((name, k) => {
    const upper = name.toUpperCase();
    let from = -1, size = term.length;
    if (mode === 'begins') from = upper.startsWith(term) ? 0 : -1;
    else if (mode === 'ends') from = upper.endsWith(term) ? upper.length - term.length : -1;
    else if (term === '') from = 0;
    else if (re) {
      const m = re.exec(upper);
      if (m) { from = m.index; size = m[0].length; }
    } else from = upper.indexOf(term);
    if (from < 0) return;
    let group = 3;
    if (term === '') group = 0;
    else if (from === 0 && size === name.length) group = 0;
    else if (from === 0) group = 1;
    else if (startsWord(name, from)) group = 2;
    else if (plain) {
      for (let at = upper.indexOf(term, from + 1); at > 0; at = upper.indexOf(term, at + 1)) {
        if (startsWord(name, at)) { group = 2; break; }
      }
    }
    groups[group].push(k);
  });
  return groups.flat();
}

function isValidRegExp(text) {
  try { new RegExp(text); return true; } catch { return false; }
}

// Both browsers are Debian's own; nothing is downloaded.  Chromium runs as
// root here, hence no sandbox, and is kept from calling home.
const BROWSERS = {
  chromium: {
    browser: 'chrome',
    executablePath: process.env.QUILLMERE_CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run'],
  },
  firefox: {
    browser: 'firefox',
    executablePath: process.env.QUILLMERE_FIREFOX || '/usr/bin/firefox-esr',
    extraPrefsFirefox: { 'app.update.enabled': false, 'browser.shell.checkDefaultBrowser': false },
  },
};
const BROWSER = process.env.QUILLMERE_BROWSER || 'chromium';
if (!BROWSERS[BROWSER]) throw new Error('QUILLMERE_BROWSER must be chromium or firefox, not ' + BROWSER);

// dark: the browser prefers the dark colour scheme, as with a dark desktop.
// (Firefox over WebDriver BiDi cannot be told so per tab.)
function launch({ dark = false } = {}) {
  const { browser, executablePath, args = [], extraPrefsFirefox = {} } = BROWSERS[BROWSER];
  return puppeteer.launch({
    browser, executablePath, headless: true,
    args: dark ? args.concat('--force-dark-mode') : args,
    extraPrefsFirefox: dark ? { ...extraPrefsFirefox, 'layout.css.prefers-color-scheme.content-override': 0 }
      : extraPrefsFirefox,
    defaultViewport: { width: 1280, height: 720 },
  });
}

// Opens a page that keeps every uncaught script error, console error and
// failed request.
async function openPage(browser) {
  const page = await browser.newPage();
  const problems = { pageErrors: [], consoleErrors: [], failedRequests: [] };
  page.on('pageerror', (e) => problems.pageErrors.push(e.message));
  page.on('console', (m) => { if (m.type() === 'error') problems.consoleErrors.push(m.text()); });
  page.on('requestfailed', (r) => {
    // Leaving a page while its search worker still loads aborts the worker's
    // script; that is no missing file.
    if (r.url().startsWith('blob:')) return;
    problems.failedRequests.push(r.url() + ' ' + (r.failure() || {}).errorText);
  });
  return { page, problems };
}

// Waits until the page has shown the results of its latest search.
async function settled(page) {
  await page.waitForSelector('#results[aria-busy="false"]');
}

// The listed commands: the links that point into the documentation,
// with their position relative to the two letter bars.
async function readList(page) {
  await settled(page);
  return page.evaluate(() => {
    const bars = Array.from(document.querySelectorAll('table.navbar'));
    const entries = Array.from(document.querySelectorAll('a')).filter(
      (a) => (a.getAttribute('href') || '').startsWith('file:///'));
    const inside = (node) => bars.length === 2 &&
      (bars[0].compareDocumentPosition(node) & Node.DOCUMENT_POSITION_FOLLOWING) !== 0 &&
      (bars[1].compareDocumentPosition(node) & Node.DOCUMENT_POSITION_PRECEDING) !== 0;
    return {
      bars: bars.length,
      entries: entries.map((a) => ({
        href: a.getAttribute('href'),
        text: (a.querySelector('.name') || a).textContent,
        inside: inside(a),
      })),
    };
  });
}

// What a page test file shares: the catalogue, one browser for the file and
// one tab that serves every visit, its error records started afresh each time.
function pageSession() {
  const { before, after } = require('node:test');
  const session = { cat: null, browser: null, tab: null };
  before(async () => {
    session.cat = loadCatalogue();
    session.browser = await launch();
  });
  after(async () => {
    if (session.browser) await session.browser.close();
  });
  session.visit = async (file, query) => {
    if (!session.tab) session.tab = await openPage(session.browser);
    const { page, problems } = session.tab;
    for (const list of Object.values(problems)) list.length = 0;
    await page.goto(fileUrl(file, query));
    const list = await readList(page);
    return { page, problems, list };
  };
  return session;
}

// What a reader's typing leaves in a field: its value replaced, one input
// event, the field focused for the keys that follow.
async function fill(page, selector, value) {
  await page.$eval(selector, (e, v) => {
    e.focus();
    e.value = v;
    e.dispatchEvent(new Event('input', { bubbles: true }));
  }, value);
}

function text(page, selector) {
  return page.$eval(selector, (e) => e.textContent);
}

function value(page, selector) {
  return page.$eval(selector, (e) => e.value);
}

// A copy of the installed documentation tree with some index files replaced.
function treeWith(name, files) {
  const root = path.join(SCRATCH, 'variants', name);
  fs.rmSync(root, { recursive: true, force: true });
  fs.cpSync(HTML, root, { recursive: true });
  for (const [file, text] of Object.entries(files)) {
    fs.writeFileSync(path.join(root, 'Modules', file), text, 'latin1');
  }
  return root;
}

function ensureDir(dir) {
  fs.mkdirSync(dir, { recursive: true });
  return dir;
}

module.exports = {
  INSTALL, HTML, MODULES, SHOTS, SCRATCH, LETTERS,
  loadCatalogue, buttonTarget, fileUrl, formEncode, searchQuery,
  expectAll, expectLetter, expectSearch, searchMode, isValidRegExp,
  BROWSER, launch, openPage, settled, readList, pageSession, fill, text, value, treeWith, ensureDir,
};
