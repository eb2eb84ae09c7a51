'use strict';
// What the page benchmarks time in headless Chromium, from the marks the
// page leaves: a load to its first results, and keys to updated results.

// Debian's Chromium, headless, or the one QUILLMERE_CHROMIUM names.
function launchChromium(puppeteer) {
  return puppeteer.launch({
    browser: 'chrome',
    executablePath: process.env.QUILLMERE_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update', '--no-first-run'],
  });
}

function median(xs) {
  const s = xs.slice().sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
}

async function loadTime(page, url) {
  await page.goto(url);
  await page.waitForSelector('#results[aria-busy="false"]', { timeout: 60000 });
  return page.evaluate(() => [performance.getEntriesByName('results-shown')[0].startTime,
    performance.getEntriesByName('index-loaded')[0].startTime,
    performance.getEntriesByName('links-ready')[0].startTime]);
}

async function keystrokes(page, word) {
  const times = [];
  await page.evaluate(() => {
    window.__keyAt = 0;
    document.getElementById('textfield').addEventListener('keydown', (e) => { window.__keyAt = e.timeStamp; }, true);
  });
  for (const ch of word) {
    const marks = await page.evaluate(() => performance.getEntriesByName('results-shown').length);
    await page.keyboard.press(ch);
    await page.waitForFunction((m) => performance.getEntriesByName('results-shown').length > m &&
      document.getElementById('results').getAttribute('aria-busy') === 'false', { timeout: 60000, polling: 5 }, marks);
    times.push(await page.evaluate(() => {
      const all = performance.getEntriesByName('results-shown');
      return all[all.length - 1].startTime - window.__keyAt;
    }));
  }
  return times;
}

module.exports = { median, loadTime, keystrokes, launchChromium };
