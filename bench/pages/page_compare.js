'use strict';
// Two programs' pages side by side: for each catalogue size, both programs
// index the same synthetic commands, and one headless Chromium loads their
// pages and types into them in turn (A B B A ...), so that a machine growing
// busier or quieter weighs on both alike. Reports the medians of
//   - load to first results, for the full list and for a search given in the
//     address (each load after the one before has settled);
//   - keystroke to updated results, over the keys of a typed word;
// and the second program's over the first's. Asserts nothing.
//
// usage: node bench/pages/page_compare.js BEFORE AFTER [sizes...]
// QUILLMERE_ROUNDS sets the rounds (16, or 6 for a million commands).

const path = require('node:path');
const tests = path.resolve(__dirname, '..', '..', 'tests', 'pages');
const puppeteer = require(path.join(tests, 'node_modules', 'puppeteer-core'));
const { pathToFileURL } = require('node:url');
const { median, loadTime, keystrokes, launchChromium } = require('./page_timing');
const synthetic = require(path.join(tests, 'synthetic'));

const programs = [path.resolve(process.argv[2] || ''), path.resolve(process.argv[3] || '')];
const sizes = process.argv.length > 4 ? process.argv.slice(4).map(Number) : [1e4, 1e5, 1e6];
const scratch = path.resolve(path.dirname(programs[1]), 'page-compare');
const WORD = 'window';
const settle = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function main() {
  const browser = await launchChromium(puppeteer);
  const pad = (s, w) => String(s).padStart(w);
  console.log('Headless Chromium, one browser, the two programs in turn; medians in ms, and after / before');
  console.log(pad('commands', 9) + pad('rounds', 8) + pad('load full', 26) + pad('load search', 26) + pad('key', 26));
  for (const n of sizes) {
    // Installations at paths of one length, so their links weigh the same.
    const files = programs.map((exe, k) =>
      path.join(synthetic.buildInstall(path.join(scratch, String(n), 'ab'[k]), exe, n), 'Modules', 'commands.html'));
    const rounds = Number(process.env.QUILLMERE_ROUNDS) || (n >= 1e6 ? 6 : 16);
    const page = await browser.newPage();
    await page.setViewport({ width: 1280, height: 800 });
    const full = [[], []], search = [[], []], keys = [[], []];
    for (let r = 0; r < rounds; r++) {
      for (const k of r % 2 ? [1, 0] : [0, 1]) {
        const url = pathToFileURL(files[k]).href;
        full[k].push((await loadTime(page, url))[0]);
        await settle(300);
        search[k].push((await loadTime(page, url + '?textfield=socket&Submit=Search'))[0]);
        await settle(300);
        await loadTime(page, url);
        // A reader starts typing a moment after the page shows.
        await settle(1000);
        keys[k].push(...await keystrokes(page, WORD));
      }
    }
    await page.close();
    const cell = (xs) => {
      const [a, b] = xs.map(median);
      return pad(a.toFixed(1) + ' / ' + b.toFixed(1) + ' = ' + (b / a).toFixed(2), 26);
    };
    console.log(pad(n, 9) + pad(rounds, 8) + cell(full) + cell(search) + cell(keys));
  }
  await browser.close();
}

main().catch((e) => { console.error(e); process.exit(1); });
