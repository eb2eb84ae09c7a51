'use strict';
// How many records get a summary on real documentation sets.
//
// usage: node bench/summary-coverage.js path/to/Quillmere name=book.devhelp2 ...
//
// Each set is named by its devhelp2 keyword index (installed by the
// distribution's documentation packages). Its folder is copied into a fresh
// installation (links resolved: the program reads nothing outside the
// installation), a commands.txt of "name|/docs/html/<set>/<link>" lines is
// made from the keywords, the program builds the index in batch mode, and
// the records with a summary are counted. The installations are left in
// $TMPDIR/quillmere-coverage for summary_bench and for a look by hand.
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const vm = require('node:vm');

const [exe, ...sets] = process.argv.slice(2);
if (!exe || sets.length === 0) {
  console.error('usage: node bench/summary-coverage.js path/to/Quillmere name=book.devhelp2 ...');
  process.exit(2);
}

function decodeXml(text) {
  return text.replace(/&(lt|gt|amp|quot|apos|#[0-9]+|#x[0-9a-fA-F]+);/g, (m, e) => {
    if (e[0] === '#') return String.fromCodePoint(e[1] === 'x' ? parseInt(e.slice(2), 16) : parseInt(e.slice(1), 10));
    return { lt: '<', gt: '>', amp: '&', quot: '"', apos: "'" }[e];
  });
}

function keywords(book) {
  const text = fs.readFileSync(book, 'utf8');
  const base = (/<book[^>]*\sbase="([^"]*)"/.exec(text) || [])[1] || path.dirname(book);
  const out = [];
  for (const m of text.matchAll(/<keyword\b[^>]*?\sname="([^"]*)"[^>]*?\slink="([^"]*)"/g)) {
    // A name is cut at its first ":" when the list is read: "std::vector"
    // is listed as "std.vector".
    out.push({ name: decodeXml(m[1]).replace(/[|\r\n]/g, ' ').replace(/::/g, '.'), link: decodeXml(m[2]) });
  }
  return { base, out };
}

const root = path.join(os.tmpdir(), 'quillmere-coverage');
fs.mkdirSync(root, { recursive: true });
const rows = [];
for (const named of sets) {
  const [name, book] = named.split('=');
  const { base, out } = keywords(book);
  const dir = path.join(root, name);
  const install = path.join(dir, 'install');
  const html = path.join(install, 'docs', 'html');
  const app = path.join(dir, 'app');
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(path.join(html, 'Modules'), { recursive: true });
  fs.mkdirSync(app, { recursive: true });
  execFileSync('cp', ['-rL', base, path.join(html, name)]);
  const lines = out.map((k) => `${k.name}|/docs/html/${name}/${k.link}`);
  fs.writeFileSync(path.join(html, 'Modules', 'commands.txt'), lines.join('\n') + '\n');
  fs.copyFileSync(exe, path.join(app, 'Quillmere'));
  fs.chmodSync(path.join(app, 'Quillmere'), 0o755);
  fs.writeFileSync(path.join(app, 'config.txt'), install + '\r\n0\r\n');
  const t0 = process.hrtime.bigint();
  execFileSync(path.join(app, 'Quillmere'), ['batch'], { cwd: dir, stdio: 'ignore' });
  const seconds = Number(process.hrtime.bigint() - t0) / 1e9;
  const sandbox = {};
  vm.createContext(sandbox);
  for (const file of ['command.js', 'summaries.js']) {
    vm.runInContext(fs.readFileSync(path.join(html, 'Modules', file), 'latin1'), sandbox);
  }
  const withSummary = sandbox.summaries.filter((s) => s !== '').length;
  const pages = new Set(out.map((k) => k.link.split('#')[0])).size;
  rows.push({ name, records: sandbox.summaries.length, withSummary, pages, seconds });
  // A few samples, for a person to judge the summaries themselves.
  const step = Math.max(1, Math.floor(sandbox.commands.length / 4));
  for (let k = 0; k < sandbox.commands.length; k += step) {
    console.log(`  ${name}: ${Buffer.from(sandbox.commands[k], 'latin1').toString()} -> ` +
      Buffer.from(sandbox.summaries[k], 'latin1').toString());
  }
}
console.log('| set | records | with summary | coverage | pages | build s |');
console.log('| --- | ---: | ---: | ---: | ---: | ---: |');
for (const r of rows) {
  console.log(`| ${r.name} | ${r.records} | ${r.withSummary} | ${(100 * r.withSummary / r.records).toFixed(1)}% | ` +
    `${r.pages} | ${r.seconds.toFixed(2)} |`);
}
