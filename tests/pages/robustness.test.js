'use strict';
// Awkward input for the installed pages: encoded and special characters in
// the search term, terms that are no valid regular expression, names that
// hold markup characters, and catalogues that are empty or missing.

const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const h = require('./helpers');

const SEARCH = path.join(h.HTML, 'index.html');
const COMMANDS = path.join(h.MODULES, 'commands.html');

const session = h.pageSession();

const visit = session.visit;

function assertNoScriptError(v) {
  assert.deepEqual(v.problems.pageErrors, [], 'page script threw');
  assert.deepEqual(v.problems.consoleErrors, [], 'console errors');
}

function names(list) {
  return list.entries.map((e) => e.text);
}

function assertListed(list, expected, what, c = session.cat) {
  assert.equal(list.bars, 2, what + ': two letter bars');
  assert.deepEqual(list.entries, expected.map((k) => ({
    href: 'file:///' + c.links[k], text: c.commands[k], inside: true,
  })), what);
}

async function typeAndSearch(page, term) {
  await h.fill(page, 'input[name=textfield]', term);
  await Promise.all([page.waitForNavigation(), page.click('input[name=Submit]')]);
  return h.readList(page);
}

test('typed blanks and "$", "&", "%", "#" reach the search decoded', async () => {
  const cases = [
    // [typed, names that must be found, names that must not]
    ['Some words', ['Qux|Some words'], []],
    ['some WORDS*', [], ['Qux|Some words']],
    ['Qux|Some words*', ['Qux|Some words'], []],
    ['$', ['Abs', 'Left$', 'xor'], []], // "$" alone is the end anchor: every name
    ['*$', ['Left$', 'Chr$', 'Cost$'], ['Abs']],
    ['Str$*', ['Str$'], ['StreamPos', 'Abs']],
    ['&', ['Operator&'], ['Operator<']],
    ['%', ['Count%'], ['Abs']],
    ['#', ['Value#'], ['Val']],
    ['*#', ['Value#'], []],
    ['Tag<b>', ['Tag<b>'], []],
    ['Rem\'*', ['Rem\''], ['RemoveHook']],
    ['quote"', ['Quote"'], []],
  ];
  const v = await visit(SEARCH);
  for (const [typed, yes, no] of cases) {
    const list = await typeAndSearch(v.page, typed);
    assertListed(list, h.expectSearch(session.cat, typed), 'typed ' + JSON.stringify(typed));
    for (const n of yes) assert.ok(names(list).includes(n), JSON.stringify(typed) + ' finds ' + n);
    for (const n of no) assert.ok(!names(list).includes(n), JSON.stringify(typed) + ' does not find ' + n);
  }
  // The term really travelled encoded.
  await typeAndSearch(v.page, 'a b&c');
  assert.equal(new URL(v.page.url()).search, '?textfield=a+b%26c&Submit=Search');
  assertNoScriptError(v);
});

test('hand-made addresses: raw and malformed escapes are matched as typed', async () => {
  const checks = [
    // query, the term the page should search for
    ['textfield=Str%24*&Submit=Search', 'Str$*'],
    ['textfield=Some%20words&Submit=Search', 'Some words'],
    ['textfield=100%zz&Submit=Search', '100%zz'],
    ['textfield=%&Submit=Search', '%'],
    ['textfield=Count%25&Submit=Search', 'Count%'],
    ['textfield=%4&Submit=Search', '%4'],
    ['textfield=*%&Submit=Search', '*%'],
  ];
  for (const [query, term] of checks) {
    const v = await visit(COMMANDS, query);
    assertNoScriptError(v);
    assertListed(v.list, h.expectSearch(session.cat, term), query);
  }
  const v = await visit(COMMANDS, 'textfield=*%&Submit=Search');
  assert.deepEqual(names(v.list), ['Count%']);
});

test('terms that are no valid regular expression fall back to plain text', async () => {
  const v = await visit(SEARCH);
  for (const typed of ['(', '[', '\\', 'Str$)', '+', '?', 'Operator<(', '*']) {
    const { mode, term } = h.searchMode(typed);
    const list = await typeAndSearch(v.page, typed);
    assertListed(list, h.expectSearch(session.cat, typed), 'typed ' + JSON.stringify(typed));
    if (mode === 'contains' && !h.isValidRegExp(term)) {
      const plain = session.cat.commands.filter((n) => n.toUpperCase().includes(term));
      assert.deepEqual(names(list), plain, JSON.stringify(typed) + ' as plain text');
    }
  }
  assert.equal(h.isValidRegExp('('), false);
  assert.equal(h.isValidRegExp('['), false);
  const list = await typeAndSearch(v.page, '\\');
  assert.deepEqual(names(list), ['PathSep\\'], 'a lone backslash finds the name holding one');
  assertNoScriptError(v);
});

test('names and links with markup characters are shown literally', async () => {
  const v = await visit(COMMANDS);
  assertNoScriptError(v);
  assertListed(v.list, h.expectAll(session.cat), 'full list');
  for (const n of ['Tag<b>', 'Operator&', 'Operator<', 'Quote"', 'PathSep\\', 'Rem\'', 'Cost$', 'Count%', 'Value#']) {
    const k = session.cat.commands.indexOf(n);
    assert.ok(k >= 0, n + ' is in the catalogue');
    const entry = v.list.entries[k];
    assert.equal(entry.text, n);
    assert.equal(entry.href, 'file:///' + session.cat.links[k], n + ': link attribute intact');
  }
  // No element was made from a name: each name is text only.
  const injected = await v.page.evaluate(() => document.querySelectorAll('b, #results .name *').length);
  assert.equal(injected, 0);
});

async function assertEmptyPages(root, what) {
  for (const [file, queries] of [
    [path.join(root, 'index.html'), [undefined, 'A', 'textfield=*&Submit=Search', 'textfield=x&Submit=Search']],
    [path.join(root, 'Modules', 'commands.html'), [undefined, 'b', 'textfield=*x&Submit=Search']],
  ]) {
    for (const query of queries) {
      const v = await visit(file, query);
      assertNoScriptError(v);
      assert.equal(v.list.bars, 2, what + ': letter bars on ' + file + '?' + query);
      assert.deepEqual(v.list.entries, [], what + ': no entries');
      const letters = await v.page.$$eval('table.navbar a', (as) => as.length);
      assert.equal(letters, 2 * 28);
      if (file.endsWith('commands.html')) {
        assert.ok((await h.text(v.page, 'body')).includes('Total commands 0 '), what + ': count line');
      }
    }
  }
}

test('an empty catalogue renders letter bars and no entries', async () => {
  const root = h.treeWith('empty', {
    'command.js': 'var commands=new Array();',
    'links.js': 'var links=new Array();',
    'modules.js': 'var modules=new Array();',
    'mod.js': 'var mods=new Array("");',
  });
  await assertEmptyPages(root, 'empty arrays');
});

test('index files that define no arrays do not break the pages', async () => {
  const root = h.treeWith('undefined', { 'command.js': '', 'links.js': '', 'modules.js': '', 'mod.js': '' });
  await assertEmptyPages(root, 'undefined arrays');
  // Names whose links file is missing are not paired with anything.
  const half = h.treeWith('nolinks', { 'command.js': 'var commands=new Array("Alpha","Beta");', 'links.js': '' });
  const v = await visit(path.join(half, 'Modules', 'commands.html'));
  assertNoScriptError(v);
  assert.deepEqual(v.list.entries, []);
  assert.match(await h.text(v.page, '#indexnotice'), /incomplete/);
});

test('a script error in a page is noticed', async () => {
  // Guards the guard: the listeners every test relies on do report errors.
  const root = h.treeWith('broken', { 'command.js': 'var commands=new Array("A",' });
  const v = await visit(path.join(root, 'index.html'));
  assert.ok(v.problems.pageErrors.length > 0, 'the syntax error was reported');
});

test('arrays of different lengths show the incomplete-index notice instead of mispaired links', async () => {
  const short = session.cat.links.slice(0, -1).map((l) => JSON.stringify(l)).join(',');
  const root = h.treeWith('unequal', { 'links.js': 'var links=new Array(' + short + ');' });
  for (const [file, query] of [[path.join(root, 'index.html'), undefined], [path.join(root, 'index.html'), 'textfield=a&Submit=Search'],
    [path.join(root, 'Modules', 'commands.html'), 'G']]) {
    const v = await visit(file, query);
    assertNoScriptError(v);
    assert.deepEqual(v.list.entries, [], 'no entries on ' + query);
    const notice = await v.page.$eval('#indexnotice', (e) => [e.textContent, getComputedStyle(e).display !== 'none']);
    assert.deepEqual(notice, ['The search index is incomplete: rebuild the index to search it.', true]);
  }
  // Nor does typing, a plain term or a pattern, once the links are known.
  const typedIn = await visit(path.join(root, 'index.html'));
  for (const term of ['gadget', 'g.d']) {
    await h.fill(typedIn.page, '#textfield', term);
    assert.deepEqual((await h.readList(typedIn.page)).entries, [], 'no entries for ' + term);
    assert.equal(await h.text(typedIn.page, '#resultcount'), '0 commands');
  }
  // A complete index shows no notice.
  const v = await visit(SEARCH);
  assert.equal(await v.page.$eval('#indexnotice', (e) => getComputedStyle(e).display), 'none');
});

test('a term with nested repetition does not freeze the page', async () => {
  const v = await visit(SEARCH);
  const typed = '(.*.*)*Q#';
  await v.page.type('#textfield', typed);
  // The page answers at once while the pattern is being tried.
  const started = Date.now();
  assert.equal(await v.page.evaluate(() => 1 + 1), 2);
  assert.ok(Date.now() - started < 1000, 'the page answered');
  // In the end the term is looked for as plain text, and the reader is told.
  const list = await h.readList(v.page);
  assert.deepEqual(names(list), session.cat.commands.filter((n) => n.toUpperCase().includes(typed.toUpperCase())));
  assert.match(await h.text(v.page, '#resultcount'), /^0 commands \(the term took too long/);
  // The next term is searched normally.
  await h.fill(v.page, '#textfield', 'gadget*');
  assert.deepEqual(names(await h.readList(v.page)), h.expectSearch(session.cat, 'gadget*').map((k) => session.cat.commands[k]));
  assertNoScriptError(v);
});
