'use strict';
// Page benchmark: for catalogues of 10^4, 10^5 and 10^6 synthetic commands
// indexed by the real program, measures in headless Chromium
//   - page load to first results: from the start of navigation to the first
//     list drawn, for the full list and for a search given in the address;
//   - links: from the start of navigation to links.js arrived (the page
//     loads it after the first results; the list is busy until then, and a
//     result chosen earlier opens then);
//   - keystroke to updated results: from the key event to the list drawn for
//     the new term, median over the keys of a typed word.
// Prints one table; asserts nothing.
//
// usage: node bench/pages/page_bench.js path/to/Quillmere [sizes...]

const path = require('node:path');
const fs = require('node:fs');
const tests = path.resolve(__dirname, '..', '..', 'tests', 'pages');
const puppeteer = require(path.join(tests, 'node_modules', 'puppeteer-core'));
const { pathToFileURL } = require('node:url');
const { median, loadTime, keystrokes, launchChromium } = require('./page_timing');
const synthetic = require(path.join(tests, 'synthetic'));

const exe = path.resolve(process.argv[2] || 'build/Quillmere');
const sizes = process.argv.length > 3 ? process.argv.slice(3).map(Number) : [1e4, 1e5, 1e6];
const scratch = path.resolve(path.dirname(exe), 'page-bench');
const WORD = 'window';
const RUNS = 3; // page loads per measurement; the median is reported

async function main() {
  const browser = await launchChromium(puppeteer);
  const rows = [];
  for (const n of sizes) {
    const started = Date.now();
    const html = synthetic.buildInstall(path.join(scratch, String(n)), exe, n);
    const built = Date.now() - started;
    const file = path.join(html, 'Modules', 'commands.html');
    const bytes = ['command.js', 'links.js', 'modules.js'].reduce((t, f) => t + fs.statSync(path.join(html, 'Modules', f)).size, 0);
    const page = await browser.newPage();
    await page.setViewport({ width: 1280, height: 800 });
    const full = [], search = [], keys = [], uptime = [];
    for (let r = 0; r < RUNS; r++) {
      full.push(await loadTime(page, pathToFileURL(file).href));
      search.push(await loadTime(page, pathToFileURL(file).href + '?textfield=socket&Submit=Search'));
      uptime.push(require('node:os').loadavg()[0]);
      await loadTime(page, pathToFileURL(file).href);
      // A reader starts typing a moment after the page shows.
      await new Promise((resolve) => setTimeout(resolve, 1000));
      keys.push(...await keystrokes(page, WORD));
    }
    const count = await page.$eval('#resultcount', (e) => e.textContent);
    await page.close();
    const at = (xs, i) => median(xs.map((x) => x[i]));
    rows.push({ n, mb: bytes / 1e6, built, index: at(full, 1), full: at(full, 0), search: at(search, 0), links: at(full, 2), key: median(keys),
      keyMax: Math.max(...keys), count, load: median(uptime) });
  }
  await browser.close();
  const pad = (s, w) => String(s).padStart(w);
  console.log('Headless Chromium, ' + RUNS + ' loads each (median); keys: the word "' + WORD + '" typed ' + RUNS + ' times (median, max)');
  console.log('index ms: start of navigation to command.js, modules.js and mod.js loaded (the browser reading them); load ms: to first results drawn;');
  console.log('links ms: to links.js loaded (asked for after the first results; the full list)');
  console.log(pad('commands', 9) + pad('index MB', 10) + pad('build s', 9) + pad('index ms', 10) + pad('load full ms', 14) +
    pad('load search ms', 16) + pad('links ms', 10) + pad('key median ms', 15) + pad('key max ms', 12) + pad('loadavg', 9) + '   last count');
  for (const r of rows) {
    console.log(pad(r.n, 9) + pad(r.mb.toFixed(1), 10) + pad((r.built / 1000).toFixed(1), 9) + pad(r.index.toFixed(0), 10) +
      pad(r.full.toFixed(0), 14) + pad(r.search.toFixed(0), 16) + pad(r.links.toFixed(0), 10) + pad(r.key.toFixed(1), 15) + pad(r.keyMax.toFixed(1), 12) +
      pad(r.load.toFixed(1), 9) + '   ' + r.count);
  }
}

main().catch((e) => { console.error(e); process.exit(1); });
