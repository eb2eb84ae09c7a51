// Full-text search of the documentation pages, below the command results.
//
// The index is a set of classic scripts beside command.js (the only files a
// page opened from file:// may read): fulltext.js, the root, is asked for
// once the reader types; term shards (fulltext-tN.js) only when a query
// needs a word in their range; text shards (fulltext-xN.js) for the titles,
// headings and excerpts of the results shown.  Each calls one function of
// QuillmereFullText with the id of the build that wrote it, so a shard of
// another build is told apart from a missing one and neither is used.
//
// Ranking: the build stored each posting's BM25 share for its section
// (headings and titles already weighted); the rarity of each word comes from
// the length of its posting list.  Every word typed must occur; a quoted
// phrase must occur as typed; the last word, while it is being typed, also
// matches the words it begins.  Matching runs in a worker under the same
// time bound as the command search; text from the index only ever reaches
// the page as text nodes.
var QuillmereFullText = (function () {
"use strict";

var SHOWN = 20;             // results drawn
var PHRASE_CANDIDATES = 100; // best sections checked for a quoted phrase
var MAX_EXPANSIONS = 50;    // words the last, unfinished word may stand for
var MAX_PREFIX_SHARDS = 3;  // term shards read for those
var MAX_QUERY = 1000;       // characters of a query looked at
var EXCERPT = 180;          // characters around the best match
var STOP = {};
("a an and are as at be by can do does for from how i if in into is it of on or " +
 "that the this to what when where which with why you your").split(" ").forEach(function (w) { STOP[w] = true; });

var region = document.getElementById("fulltext");
var countEl = document.getElementById("fulltextcount");
var noticeEl = document.getElementById("fulltextnotice");
var list = document.getElementById("fulltextresults");
var field = document.getElementById("textfield");

var rootUrl = null, base = "", root = null, rootState = 0;  // 0 none, 1 loading, 2 ready, 3 absent
var termShards = {}, textShards = {};  // n -> data, or false while loading
var broken = false;
var pageStarts = null;  // the first section of every page
var serial = 0, current = null;

// ---- Words, as the index builder reads them -------------------------------

function IsWordChar(c) {
	if (c < 0x80) return (c >= 48 && c <= 57) || (c >= 97 && c <= 122) || (c >= 65 && c <= 90);
	if (c < 0xC0) return c == 0xAA || c == 0xB5 || c == 0xBA;
	if (c == 0xD7 || c == 0xF7) return false;
	if (c >= 0x2000 && c <= 0x2BFF) return false;
	if (c >= 0x3000 && c <= 0x303F) return false;
	if (c >= 0xE000 && c <= 0xF8FF) return false;
	if (c >= 0xFE30 && c <= 0xFE4F) return false;
	if ((c >= 0xFF00 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
	    (c >= 0xFF5B && c <= 0xFF65) || c >= 0xFFF0) return c >= 0x10000 && c < 0x1F000;
	return true;
}
function IsUpper(c) {
	if (c >= 65 && c <= 90) return true;
	if (c >= 0xC0 && c <= 0xDE) return c != 0xD7;
	if (c >= 0x100 && c <= 0x137) return c % 2 == 0;
	if (c >= 0x391 && c <= 0x3AB) return c != 0x3A2;
	return c >= 0x400 && c <= 0x42F;
}
function Lower(c) {
	if (!IsUpper(c)) return c;
	if (c < 0x100 || (c >= 0x391 && c <= 0x3AB) || (c >= 0x410 && c <= 0x42F)) return c + 0x20;
	if (c >= 0x400 && c <= 0x40F) return c + 0x50;
	return c + 1;
}
function IsDigit(c) { return c >= 48 && c <= 57; }
function LowerText(s) {
	var out = "", i, c;
	for (i = 0; i < s.length; i += c > 0xFFFF ? 2 : 1) {
		c = s.codePointAt(i);
		out += String.fromCodePoint(Lower(c));
	}
	return out;
}

// The compounds of text: {whole, start, end, parts: [{start, end}]}, with
// the same joiners ("_", ".", "::") and case changes as the builder.
function Compounds(text) {
	var out = [], i = 0, n = text.length, c, size;
	function At(k) { return k < n ? text.codePointAt(k) : -1; }
	while (i < n) {
		c = At(i);
		size = c > 0xFFFF ? 2 : 1;
		if (!IsWordChar(c)) { i += size; continue; }
		var start = i, partStart = i, parts = [], before = -1, whole = "";
		while (i < n) {
			c = At(i);
			size = c > 0xFFFF ? 2 : 1;
			if (IsWordChar(c)) {
				if (before >= 0 && IsUpper(c) && !IsUpper(before) && !IsDigit(before)) {
					parts.push({ start: partStart, end: i });
					partStart = i;
				} else if (before >= 0 && IsUpper(before) && !IsUpper(c) && !IsDigit(c) && i - partStart > 1 &&
				           IsUpper(At(partStart))) {
					var last = i - (before > 0xFFFF ? 2 : 1);
					if (last > partStart) {
						parts.push({ start: partStart, end: last });
						partStart = last;
					}
				}
				whole += String.fromCodePoint(Lower(c));
				before = c;
				i += size;
				continue;
			}
			var joiner = (c == 95 || c == 46) ? 1 : (text.substr(i, 2) == "::" ? 2 : 0), next = i + joiner;
			if (c == 95) while (next < n && text.charCodeAt(next) == 95) next++;
			if (joiner == 0 || next >= n || !IsWordChar(At(next))) break;
			parts.push({ start: partStart, end: i });
			whole += text.substring(i, next);
			i = partStart = next;
			before = -1;
		}
		parts.push({ start: partStart, end: i });
		out.push({ whole: whole, start: start, end: i, parts: parts });
	}
	return out;
}

// What the reader typed: words (each a group of terms that may stand for
// it), phrases to find as written.
function ParseQuery(typed) {
	typed = String(typed).substring(0, MAX_QUERY);
	var words = [], phrases = [], seen = {}, k, m, re = /"([^"]*)("|$)/g, plain = "", from = 0;
	while ((m = re.exec(typed)) != null) {
		plain += typed.substring(from, m.index) + " ";
		from = re.lastIndex;
		var inPhrase = Compounds(m[1]);
		if (inPhrase.length > 1) phrases.push(inPhrase.map(function (c) { return c.whole; }).join(" "));
		for (k = 0; k < inPhrase.length; k++) words.push({ term: inPhrase[k].whole, phrase: true, prefix: false });
		if (m[0].length == 0) re.lastIndex++;
	}
	plain += typed.substring(from);
	var loose = Compounds(plain), ending = typed.length > 0 && /[^\s"]$/.test(typed) && from < typed.length;
	for (k = 0; k < loose.length; k++) {
		words.push({ term: loose[k].whole, phrase: false,
		             prefix: ending && k == loose.length - 1 && loose[k].end == plain.length && loose[k].whole.length >= 2 });
	}
	var content = words.filter(function (w) { return w.phrase || !STOP[w.term]; });
	if (content.length > 0) words = content;
	words = words.filter(function (w) {
		if (w.term.length > 64) return false;
		var key = w.term + (w.prefix ? "*" : "");
		if (seen[key]) return false;
		seen[key] = true;
		return true;
	});
	return { words: words.slice(0, 10), phrases: phrases };
}

// ---- Loading ------------------------------------------------------------------

function Script(src, done) {
	var s = document.createElement("script");
	s.type = "text/javascript";
	s.charset = "utf-8";
	s.onload = function () { done(true); };
	s.onerror = function () { done(false); };
	s.src = src;
	document.getElementsByTagName("head")[0].appendChild(s);
}

function FindRoot() {
	var scripts = document.getElementsByTagName("script"), k, src;
	for (k = 0; k < scripts.length; k++) {
		src = scripts[k].getAttribute("src");
		if (src != null && /(^|\/)command\.js$/.test(src)) return src.replace(/command\.js$/, "fulltext.js");
	}
	return null;
}

function Incomplete() {
	broken = true;
	region.style.display = "";
	list.textContent = "";
	countEl.textContent = "";
	noticeEl.textContent = "The full-text index is incomplete: rebuild the index to search the pages.";
	noticeEl.style.display = "";
}

function LoadRoot(then) {
	if (rootState == 2 || rootState == 3) { then(); return; }
	if (rootState == 1) return;
	rootUrl = FindRoot();
	if (rootUrl == null) { rootState = 3; then(); return; }
	rootState = 1;
	Script(rootUrl, function () {
		if (root == null) {
			rootState = 3;  // no full-text index was built
		} else {
			rootState = 2;
			// Links stay relative to the page, like the tree they point into:
			// the root sits in docs/html/Modules of the installation.
			base = rootUrl.replace(/fulltext\.js$/, "") + "../../../";
			// Where each page's sections start, for words spread over a page.
			Script(rootUrl.replace(/fulltext\.js$/, "fulltext-p.js"), function () {
				if (pageStarts == null && !broken) Incomplete();
				then();
			});
			return;
		}
		then();
	});
}

// Loads the shards named in wanted ({t: [n...], x: [n...]}), then done();
// a shard that does not arrive, or arrives from another build, breaks the
// search with the notice.
function LoadShards(wanted, done) {
	var pending = 0, called = false;
	function Finish() {
		if (called || pending > 0) return;
		called = true;
		done();
	}
	function One(store, prefix, n) {
		if (store.hasOwnProperty(n) && store[n] !== false) return;
		var first = !store.hasOwnProperty(n);
		pending++;
		if (first) store[n] = false;
		var check = function () {
			if (store[n] === false && !broken) Incomplete();
			pending--;
			Finish();
		};
		if (first) {
			Script(rootUrl.replace(/fulltext\.js$/, "fulltext-" + prefix + n + ".js"), check);
		} else {
			// Asked for by an earlier query and still on its way.
			var wait = setInterval(function () {
				if (store[n] !== false || broken) { clearInterval(wait); check(); }
			}, 5);
		}
	}
	(wanted.t || []).forEach(function (n) { One(termShards, "t", n); });
	(wanted.x || []).forEach(function (n) { One(textShards, "x", n); });
	Finish();
}

function ShardOf(firsts, key) {
	var lo = 0, hi = firsts.length - 1, mid;
	if (hi < 0) return -1;
	while (lo < hi) {
		mid = (lo + hi + 1) >> 1;
		if (firsts[mid] <= key) lo = mid; else hi = mid - 1;
	}
	return lo;
}

// ---- Matching (in the worker) ---------------------------------------------------

// groups: for each word, the posting strings of the terms that may stand
// for it.  The sections holding every word, best first: {at, score, total}.
function MatchSections(groups, sections, keep, starts) {
	var pages = starts ? starts.length : 0, pageOf = new Int32Array(pages ? sections : 0), p, s;
	for (p = 0; p < pages; p++) {
		for (s = starts[p]; s < (p + 1 < pages ? starts[p + 1] : sections); s++) pageOf[s] = p;
	}
	// A posting: the step from the section before (the first: the section)
	// times two, plus one when it stands for every section of the page that
	// starts there; then its impact.  Numbers as the builder writes them:
	// digits from "#" on without the backslash, the last below 46.  Collect
	// puts the sections a list names (a page's sections for a whole-page
	// posting) into secs and imps, answers how many, and leaves in distinct
	// how many different sections they are.
	var secs = new Int32Array(1024), imps = new Float32Array(1024), distinct = 0;
	function Collect(list) {
		var i = 0, v, c, section = 0, first = true, n = list.length, impact, end, k, used = 0, last = -1;
		distinct = 0;
		while (i < n) {
			v = 0;
			for (;;) {
				c = list.charCodeAt(i++);
				c = c > 0x5C ? c - 0x24 : c - 0x23;
				if (c < 46) { v = v * 46 + c; break; }
				v = v * 45 + c - 46;
			}
			section = first ? v >>> 1 : section + (v >>> 1);
			first = false;
			c = list.charCodeAt(i++);
			impact = (c > 0x5C ? c - 0x24 : c - 0x23) / 31 * 2.2;
			end = section + 1;
			if ((v & 1) && pages && section < sections) end = pageOf[section] + 1 < pages ? starts[pageOf[section] + 1] : sections;
			if (used + end - section > secs.length) {
				var grown = Math.max(2 * secs.length, used + end - section), s2 = new Int32Array(grown), i2 = new Float32Array(grown);
				s2.set(secs);
				i2.set(imps);
				secs = s2;
				imps = i2;
			}
			for (k = section; k < end; k++) {
				secs[used] = k;
				imps[used++] = impact;
				if (k > last) { distinct++; last = k; }
			}
		}
		return used;
	}
	// Sections holding every word come first; a page holding every word
	// only across its sections follows with its best section, its score
	// (the best of each word in the page) damped.
	var G = groups.length, count = new Uint8Array(sections), scores = new Float32Array(sections);
	var best = new Float32Array(sections), pageCount = new Uint8Array(pages);
	var pageScore = new Float32Array(pages), pageBest = new Float32Array(pages);
	var g, a, touched, touchedPages, t, k, out = [], rank = {};
	for (g = 0; g < G; g++) {
		touched = [];
		touchedPages = [];
		for (a = 0; a < groups[g].length; a++) {
			var n = Collect(groups[g][a]), j, sec, v;
			var idf = Math.log(1 + (sections - distinct + 0.5) / (distinct + 0.5));
			for (j = 0; j < n; j++) {
				sec = secs[j];
				if (sec >= sections || count[sec] != g && pages == 0) continue;
				v = idf * imps[j];
				if (best[sec] == 0) touched.push(sec);
				if (v > best[sec]) best[sec] = v;
			}
		}
		if (touched.length == 0) return { at: [], score: [], total: 0 };
		for (t = 0; t < touched.length; t++) {
			s = touched[t];
			if (count[s] == g) {
				count[s] = g + 1;
				scores[s] += best[s];
			}
			if (pages) {
				p = pageOf[s];
				if (pageCount[p] == g) {
					if (pageBest[p] == 0) touchedPages.push(p);
					if (best[s] > pageBest[p]) pageBest[p] = best[s];
				}
			}
			best[s] = 0;
		}
		for (t = 0; t < touchedPages.length; t++) {
			p = touchedPages[t];
			pageCount[p] = g + 1;
			pageScore[p] += pageBest[p];
			pageBest[p] = 0;
		}
	}
	for (s = 0; s < sections; s++) {
		if (count[s] == G) {
			out.push(s);
			rank[s] = scores[s];
			if (pages) pageCount[pageOf[s]] = 0;  // the page is found by its section
		}
	}
	for (p = 0; p < pages; p++) {
		if (pageCount[p] != G) continue;
		var end = p + 1 < pages ? starts[p + 1] : sections, pick = starts[p];
		for (k = starts[p]; k < end; k++) {
			if (count[k] > count[pick] || (count[k] == count[pick] && scores[k] > scores[pick])) pick = k;
		}
		out.push(pick);
		rank[pick] = pageScore[p] * 0.7;
	}
	var total = out.length;
	out.sort(function (x, y) { return rank[y] - rank[x] || x - y; });
	// One section of each page first, then the pages' further sections: a
	// long page that mentions the words everywhere does not push every other
	// page out of sight.
	if (pages) {
		var shown = new Uint8Array(pages), firsts = [], others = [];
		for (t = 0; t < out.length; t++) {
			p = pageOf[out[t]];
			if (shown[p]) others.push(out[t]); else { shown[p] = 1; firsts.push(out[t]); }
		}
		out = firsts.concat(others);
	}
	out = out.slice(0, keep);
	return { at: out, score: out.map(function (x) { return rank[x]; }), total: total };
}

function WorkerMain() {
	onmessage = function (e) {
		var r = MatchSections(e.data.groups, e.data.sections, e.data.keep, e.data.starts);
		r.id = e.data.id;
		postMessage(r);
	};
}

var Matcher = {
	worker: null, url: "", noWorker: false, busy: null, timer: 0,
	Start: function () {
		if (this.worker != null || this.noWorker) return;
		try {
			this.url = URL.createObjectURL(new Blob([MatchSections.toString() + "\n(" + WorkerMain.toString() + ")();\n"],
			                                        { type: "text/javascript" }));
			this.worker = new Worker(this.url);
		} catch (e) {
			this.worker = null;
			this.noWorker = true;
			return;
		}
		var self = this;
		this.worker.onmessage = function (e) {
			var req = self.busy;
			if (req == null || e.data.id != req.id) return;
			clearTimeout(self.timer);
			self.busy = null;
			req.done(e.data);
		};
		this.worker.onerror = function (e) {
			if (e && e.preventDefault) e.preventDefault();
			var req = self.busy;
			self.Stop();
			self.noWorker = true;
			if (req != null) self.Find(req);
		};
	},
	Stop: function () {
		clearTimeout(this.timer);
		if (this.worker != null) this.worker.terminate();
		if (this.url) URL.revokeObjectURL(this.url);
		this.worker = null;
		this.url = "";
		this.busy = null;
	},
	// A later request replaces an unanswered one; a request that is not
	// answered in time ends the worker and is answered with nothing.
	Find: function (req) {
		var self = this;
		if (this.busy != null) this.Stop();
		this.Start();
		if (this.worker == null) {
			req.done(MatchSections(req.groups, req.sections, req.keep, req.starts));
			return;
		}
		this.busy = req;
		this.timer = setTimeout(function () {
			self.Stop();
			req.done(null);
		}, 1000 + Math.floor(req.sections / 500));
		this.worker.postMessage({ id: req.id, groups: req.groups, sections: req.sections, keep: req.keep,
		                          starts: req.starts });
	}
};

// ---- Shard contents -------------------------------------------------------------

function Terms(n) {
	var shard = termShards[n];
	if (!shard.map) {
		shard.map = {};
		for (var k = 0; k < shard.words.length; k++) shard.map["~" + shard.words[k]] = k;
	}
	return shard;
}

// The term shards a query needs, and then the posting groups.
function ShardsForWords(words) {
	var need = {}, k, n, w;
	for (k = 0; k < words.length; k++) {
		w = words[k];
		n = ShardOf(root.terms, w.term);
		if (n >= 0) need[n] = true;
		if (w.prefix) {
			for (var more = 0; n + 1 < root.terms.length && more < MAX_PREFIX_SHARDS - 1 &&
			     root.terms[n + 1].substring(0, w.term.length) == w.term; more++) need[++n] = true;
		}
	}
	return Object.keys(need).map(Number);
}

function Groups(words) {
	var groups = [], k, w, n, shard, at, list;
	for (k = 0; k < words.length; k++) {
		w = words[k];
		list = [];
		n = ShardOf(root.terms, w.term);
		if (n >= 0 && termShards[n]) {
			shard = Terms(n);
			at = shard.map["~" + w.term];
			if (at !== undefined) list.push(shard.lists[at]);
		}
		if (w.prefix) {
			var found = [];
			for (var m = n; m >= 0 && m < root.terms.length && m < n + MAX_PREFIX_SHARDS && termShards[m]; m++) {
				shard = termShards[m];
				for (var j = 0; j < shard.words.length; j++) {
					var word = shard.words[j];
					if (word.length > w.term.length && word.substring(0, w.term.length) == w.term) found.push(shard.lists[j]);
				}
			}
			// The words most written about, when the start is short.
			found.sort(function (x, y) { return y.length - x.length; });
			list = list.concat(found.slice(0, MAX_EXPANSIONS));
		}
		groups.push(list);
	}
	return groups;
}

function TextShardOf(section) { return ShardOf(root.texts, section); }

function SectionRecord(section) {
	var shard = textShards[TextShardOf(section)];
	if (!shard) return null;
	var i = (section - shard.first) * 4, page = shard.sections[i];
	return { path: shard.pages[page * 2], title: shard.pages[page * 2 + 1], anchor: shard.sections[i + 1],
	         heading: shard.sections[i + 2], text: shard.sections[i + 3] };
}

// ---- Showing ----------------------------------------------------------------------

// Words of text to highlight: spans {start, end} of the compounds or their
// parts that equal a query word, or begin with the one being typed.
function Marks(text, words) {
	var spans = [], cs = Compounds(text), k, p, w, part;
	function Hit(t) {
		for (var i = 0; i < words.length; i++) {
			w = words[i];
			if (t == w.term || (w.prefix && t.substring(0, w.term.length) == w.term)) return true;
		}
		return false;
	}
	for (k = 0; k < cs.length; k++) {
		if (Hit(cs[k].whole)) {
			spans.push({ start: cs[k].start, end: cs[k].end });
			continue;
		}
		for (p = 0; p < cs[k].parts.length; p++) {
			part = cs[k].parts[p];
			if (Hit(LowerText(text.substring(part.start, part.end)))) spans.push(part);
		}
	}
	return spans;
}

// One or two lines of text around its first marked word, cut at blanks.
function Excerpt(text, words) {
	var spans = Marks(text, words), from = 0, to, k;
	if (spans.length > 0) from = Math.max(0, spans[0].start - Math.floor(EXCERPT / 3));
	if (from > 0) {
		k = text.indexOf(" ", from);
		from = k >= 0 && k < spans[0].start ? k + 1 : from;
	}
	to = Math.min(text.length, from + EXCERPT);
	if (to < text.length) {
		k = text.lastIndexOf(" ", to);
		if (k > from + EXCERPT / 2) to = k;
	}
	var piece = text.substring(from, to);
	return { text: (from > 0 ? "\u2026" : "") + piece + (to < text.length ? "\u2026" : ""),
	         spans: Marks(piece, words).map(function (s) {
	             var shift = from > 0 ? 1 : 0;
	             return { start: s.start + shift, end: s.end + shift };
	         }) };
}

function AppendMarked(parent, text, spans) {
	var at = 0;
	spans.forEach(function (s) {
		if (s.start < at) return;
		if (s.start > at) parent.appendChild(document.createTextNode(text.substring(at, s.start)));
		var mark = document.createElement("mark");
		mark.textContent = text.substring(s.start, s.end);
		parent.appendChild(mark);
		at = s.end;
	});
	if (at < text.length) parent.appendChild(document.createTextNode(text.substring(at)));
}

function Href(record) {
	var path = record.path.charAt(0) == "/" ? record.path.substring(1) : record.path;
	return base + encodeURI(path) + (record.anchor ? "#" + encodeURIComponent(record.anchor) : "");
}

function Draw(query, at, total) {
	list.textContent = "";
	noticeEl.style.display = "none";
	region.style.display = "";
	countEl.textContent = total == 1 ? "1 section" : total + " sections";
	at.forEach(function (section) {
		var r = SectionRecord(section);
		if (r == null) return;
		var li = document.createElement("li"), a = document.createElement("a");
		a.href = Href(r);
		a.className = "fulltextlink";
		var title = document.createElement("span");
		title.className = "fulltexttitle";
		AppendMarked(title, r.title || r.path, Marks(r.title || r.path, query.words));
		a.appendChild(title);
		if (r.heading) {
			var heading = document.createElement("span");
			heading.className = "fulltextheading";
			AppendMarked(heading, r.heading, Marks(r.heading, query.words));
			a.appendChild(document.createTextNode(" \u203a "));
			a.appendChild(heading);
		}
		li.appendChild(a);
		var ex = Excerpt(r.text, query.words), p = document.createElement("div");
		p.className = "fulltextexcerpt";
		AppendMarked(p, ex.text, ex.spans);
		li.appendChild(p);
		list.appendChild(li);
	});
	if (window.performance && performance.mark) performance.mark("fulltext-shown");
}

function Hide() {
	list.textContent = "";
	countEl.textContent = "";
	region.style.display = broken ? "" : "none";
	if (window.performance && performance.mark) performance.mark("fulltext-shown");
}

function Normalized(text) { return " " + Compounds(text).map(function (c) { return c.whole; }).join(" ") + " "; }

// Text shards for the sections, then done().
function WithText(at, done) {
	var need = {};
	at.forEach(function (s) { need[TextShardOf(s)] = true; });
	LoadShards({ x: Object.keys(need).map(Number) }, done);
}

function Run(typed) {
	var id = ++serial, query = ParseQuery(typed);
	current = id;
	if (broken) return;
	if (query.words.length == 0) { Hide(); return; }
	LoadRoot(function () {
		if (current != id || rootState != 2 || broken) return;
		LoadShards({ t: ShardsForWords(query.words) }, function () {
			if (current != id || broken) return;
			var groups = Groups(query.words);
			if (groups.some(function (g) { return g.length == 0; })) {
				Draw(query, [], 0);
				return;
			}
			var keep = query.phrases.length > 0 ? PHRASE_CANDIDATES : SHOWN;
			Matcher.Find({ id: id, groups: groups, sections: root.sections, keep: keep, starts: pageStarts,
			               done: function (r) {
				if (current != id || broken) return;
				if (r == null) {
					Draw(query, [], 0);
					noticeEl.textContent = "This search took too long; type more of it.";
					noticeEl.style.display = "";
					return;
				}
				WithText(r.at, function () {
					if (current != id || broken) return;
					var at = r.at, total = r.total;
					if (query.phrases.length > 0) {
						at = at.filter(function (s) {
							var rec = SectionRecord(s), text = rec ? Normalized(rec.heading + " " + rec.text) : "";
							return query.phrases.every(function (p) { return text.indexOf(" " + p + " ") >= 0; });
						});
						total = at.length;
						at = at.slice(0, SHOWN);
					}
					Draw(query, at, total);
				});
			} });
		});
	});
}

// The command results for a key come first: the pages are searched for what
// was typed once the command list has been drawn for it and painted (or, if
// it is not drawn, a moment later), and keys typed meanwhile join that one
// search.  The list may be drawn before this script hears of the key (it is
// matched in the same event when it can be), so every drawing of it looks
// for a search to run once it is painted.
var runPending = false, runTimer = 0;
function RunPending() {
	clearTimeout(runTimer);
	runTimer = 0;
	if (!runPending) return;
	runPending = false;
	Run(field.value);
}
field.addEventListener("input", function () {
	runPending = true;
	if (!runTimer) runTimer = setTimeout(RunPending, 150);
});
function CommandsDrawn() {
	(window.requestAnimationFrame || setTimeout)(function () { setTimeout(RunPending, 0); });
}
// A search in the page's address counts as typed, once the page is up.
if (field.value != "" && /[?&]textfield=/.test(location.search)) {
	setTimeout(function () { Run(field.value); }, 0);
}

// Arrow keys move between the full-text results once one has the focus.
list.addEventListener("keydown", function (e) {
	var links = list.querySelectorAll("a.fulltextlink"), k = Array.prototype.indexOf.call(links, document.activeElement);
	if (k < 0) return;
	if (e.key == "ArrowDown" && k + 1 < links.length) { e.preventDefault(); links[k + 1].focus(); }
	if (e.key == "ArrowUp" && k > 0) { e.preventDefault(); links[k - 1].focus(); }
});

// A name written after the length (one digit) of the start it shares with
// the name before it.
function Unshared(coded, previous) {
	var c = coded.charCodeAt(0);
	c = c > 0x5C ? c - 0x24 : c - 0x23;
	return previous.substring(0, c) + coded.substring(1);
}

// What the index files call.
return {
	root: function (data) { if (data && typeof data.build == "string") root = data; },
	terms: function (build, n, words, lists) {
		if (root == null || build !== root.build) return;
		// Tab-ended words, each after the start it shares with the one
		// before; the posting lists, each ended by a blank.
		var coded = String(words).split("\t"), list = [], previous = "", k;
		for (k = 0; k + 1 < coded.length; k++) list.push(previous = Unshared(coded[k], previous));
		termShards[n] = { words: list, lists: String(lists).split(" ") };
	},
	text: function (build, n, pages, sections) {
		if (root == null || build !== root.build) return;
		// Tab-ended fields: for each page its path, title and number of
		// sections; for each section its anchor, heading and text.  Paths and
		// anchors begin with the length of the start they share with the one
		// before.
		var p = String(pages).split("\t"), s = String(sections).split("\t"), k, j, previous = "";
		var pageList = [], owner = [], records = [];
		for (k = 0; k + 2 < p.length; k += 3) {
			previous = Unshared(p[k], previous);
			pageList.push(previous, p[k + 1]);
			for (j = Number(p[k + 2]); j > 0; j--) owner.push(k / 3);
		}
		previous = "";
		for (k = 0; k + 2 < s.length; k += 3) {
			previous = Unshared(s[k], previous);
			records.push(owner[k / 3], previous, s[k + 1], s[k + 2]);
		}
		textShards[n] = { first: root.texts[n], pages: pageList, sections: records };
	},
	pageStarts: function (build, text) {
		if (root == null || build !== root.build) return;
		var starts = new Int32Array(root.pages), i = 0, n = 0, v, c, at = 0;
		text = String(text);
		while (i < text.length && n < starts.length) {
			v = 0;
			for (;;) {
				c = text.charCodeAt(i++);
				c = c > 0x5C ? c - 0x24 : c - 0x23;
				if (c < 46) { v = v * 46 + c; break; }
				v = v * 45 + c - 46;
			}
			at = n == 0 ? v : at + v;
			starts[n++] = at;
		}
		if (n == starts.length) pageStarts = starts;
	},
	// The command list has been drawn (search.js says so).
	CommandsDrawn: CommandsDrawn,
	// For the tests: the words a query is looked up by.
	ParseQuery: ParseQuery
};
})();
