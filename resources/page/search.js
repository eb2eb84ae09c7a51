// The script of the search page and the command page.  It runs once at the
// end of the page, after command.js, modules.js and mod.js have defined
// their arrays, and from then on keeps the result list in step with the
// search field and the module filter.  links.js, the largest of the index
// files by far, is loaded only after the first results are drawn: until it
// has arrived the list is marked busy, and a result chosen in the meantime
// is opened as soon as its link is known.
//
// The index files are read by a Latin-1 page, so every byte of a name, link
// or module is one character here.  Text whose bytes form valid UTF-8 is
// shown as that text (and a link made of such bytes becomes the address of
// the file it names); anything else is shown as it always was.
//
// Only plain DOM and standard script facilities are used, so the pages work
// from file:// with no server in any current browser.
(function () {
"use strict";

var BASE = "file:///";          // prefix of every documentation link
var ALL_ROWS_UP_TO = 2000;      // shorter lists are put into the page whole
var OVERSCAN = 10;              // rows drawn beyond each edge of the window
var MAX_BOX = 8000000;          // px: well inside every browser's layout limit

// ---- The catalogue ---------------------------------------------------------

// An index file that could not be loaded, or that defines nothing, counts as
// an empty list; the page itself must never fail.
function ArrayOf(value) {
	return (value != null && typeof value == "object" && typeof value.length == "number") ? value : [];
}

var rawNames = ArrayOf(typeof commands == "undefined" ? null : commands);
var rawLinks = null;  // until links.js has arrived
var rawModules = ArrayOf(typeof modules == "undefined" ? null : modules);
var rawMods = ArrayOf(typeof mods == "undefined" ? null : mods);

// Index files made by other means, or a build interrupted between two
// files, can leave arrays of different lengths.  Pairing them anyway would
// send readers to the wrong pages.  The links are checked when they arrive.
var incomplete = rawNames.length != rawModules.length;
var count = incomplete ? 0 : rawNames.length;

function Field(arr, k) {
	var v = arr[k];
	return v == null ? "" : String(v);
}

// Makes the function that shows page text: text of bytes (each character
// one byte of the page) that form valid UTF-8 is shown as that UTF-8 text;
// any other text is shown as it is.  The search worker makes its own copy,
// so this uses nothing from around it.
function MakeShown() {
	var decoder = null, cp1252 = {}, k;
	// Browsers read a page labelled iso-8859-1 as windows-1252, which gives
	// the bytes 0x80 to 0x9F other characters; these take them back.
	var high = "\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u008d\u017d\u008f" +
		"\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u009d\u017e\u0178";
	var highByte = /[^\x00-\x7f]/;
	for (k = 0; k < high.length; k++) cp1252[high.charCodeAt(k)] = 0x80 + k;
	try {
		decoder = new TextDecoder("utf-8", { fatal: true, ignoreBOM: true });
	} catch (e) {
		decoder = null;
	}
	return function (text) {
		var i, c, bytes;
		if (decoder == null || !highByte.test(text)) return text;
		bytes = new Uint8Array(text.length);
		for (i = 0; i < text.length; i++) {
			c = text.charCodeAt(i);
			if (c > 255) {
				c = cp1252[c];
				if (c === undefined) return text;
			}
			bytes[i] = c;
		}
		try {
			return decoder.decode(bytes);
		} catch (e) {
			return text;
		}
	};
}

var Shown = MakeShown();

// Names are shown only when drawn; nothing is done for every name of a large
// catalogue before the first results are on the screen.
function NameOf(k) { return Shown(Field(rawNames, k)); }
function LinkOf(k) { return rawLinks == null ? null : BASE + Shown(Field(rawLinks, k)); }
function ModuleOf(k) { return Shown(Field(rawModules, k)); }

// The module map keys modules with the letters a to z upper-cased.
function ModuleKey(text) {
	return String(text).replace(/[a-z]+/g, function (m) { return m.toUpperCase(); });
}

// ---- Matching ---------------------------------------------------------------

// Finds the names (shown and upper-cased) that a term matches.  Mode 0 is
// contains: the term is a regular expression, or plain text when it has no
// pattern characters, is not a valid one, or literal is set (groupOf is told
// which); 1 is begins-with, 2 ends-with.  Returns the positions with the matched
// part of each name, and the positions alone in catalogue order (matched, a
// view that the caller may keep).  Given within, only those positions are
// tried.  Given groupOf(k, from, size, plain) and a term, the matches are
// listed by group (0 first, then 1, 2 and 3), each group in catalogue order:
// placing them while matching spares a second pass and a copy at every
// keystroke.  This function also runs inside
// the search worker, so it uses nothing from around it.
function FindMatches(upper, term, mode, literal, within, groupOf) {
	var total = within ? within.length : upper.length;
	var at = new Int32Array(total), from = new Int32Array(total), size = new Int32Array(total);
	var found = 0, k, name, m, pattern = null, plain = false;
	var group = groupOf && term != "" ? new Uint8Array(total) : null, counts = [0, 0, 0, 0];
	// A term without pattern characters means the same as text, and finding
	// text is quicker than running a pattern.
	if (mode == 0 && term != "" && !literal && /[\\^$.|?*+()[\]{}]/.test(term)) {
		try {
			pattern = new RegExp(term);
		} catch (e) {
			pattern = null;
		}
	}
	if (mode == 0 && term != "" && pattern == null) plain = true;
	for (var i = 0; i < total; i++) {
		k = within ? within[i] : i;
		name = upper[k];
		var start = -1, len = term.length;
		if (mode == 1) {
			if (name.substring(0, term.length) == term) start = 0;
		} else if (mode == 2) {
			if (term.length <= name.length && name.substring(name.length - term.length) == term) start = name.length - term.length;
		} else if (term == "") {
			start = 0;
		} else if (plain) {
			start = name.indexOf(term);
		} else {
			try {
				m = pattern.exec(name);
			} catch (e) {
				m = null;  // a pattern too deep for the engine's stack
			}
			if (m != null) {
				start = m.index;
				len = m[0].length;
			}
		}
		if (start >= 0) {
			at[found] = k;
			from[found] = start;
			size[found] = len;
			if (group != null) counts[group[found] = groupOf(k, start, len, plain)]++;
			found++;
		}
	}
	var matched = at.subarray(0, found);
	if (group == null || counts[3] == found)
		return { at: at.slice(0, found), from: from.slice(0, found), size: size.slice(0, found), matched: matched };
	var next = [0, counts[0], counts[0] + counts[1], counts[0] + counts[1] + counts[2]], out;
	var placedAt = new Int32Array(found), placedFrom = new Int32Array(found), placedSize = new Int32Array(found);
	for (i = 0; i < found; i++) {
		out = next[group[i]]++;
		placedAt[out] = at[i];
		placedFrom[out] = from[i];
		placedSize[out] = size[i];
	}
	return { at: placedAt, from: placedFrom, size: placedSize, matched: matched };
}

// The catalogue's names made ready for matching, and the matching itself:
// each name upper-cased, and where its words start, which ranks a match
// quicker than the name does.  rawOf(k) gives a name as it came.  A term
// that only adds text to the last one, as typing does, is looked for only
// among the names the last one matched.  The search worker makes one of
// these, and so does the page's own thread when it matches; it uses nothing
// from around it but MakeShown, FindMatches and MakeRank, which the worker is
// given too.
function MakeNames(rawOf, n) {
	var shown = MakeShown(), rank = MakeRank(), upper = new Array(n), masks = new Int32Array(n), last = null;
	var made = 0, marked = 0;
	var pattern = /[\\^$.|?*+()[\]{}]/;
	function NameOf(k) { return shown(rawOf(k)); }
	// Does up to some more of the work of making the names ready: first each
	// name upper-cased, then, given wordStarts, where its words start (a name
	// whose word starts are not made yet is ranked from the name itself).
	// Says whether all of it is done.
	function Prepare(some, wordStarts) {
		var end;
		if (made < n) {
			for (end = Math.min(n, made + some); made < end; made++) upper[made] = NameOf(made).toUpperCase();
			return made == n && !wordStarts;
		}
		if (!wordStarts) return true;
		for (end = Math.min(n, marked + some); marked < end; marked++) masks[marked] = rank.WordStarts(NameOf(marked), upper[marked]);
		return marked == n;
	}
	function Narrows(term, mode, literal) {
		if (last == null || last.mode != mode || last.literal != literal) return false;
		if (mode == 1) return term.substring(0, last.term.length) == last.term;
		if (mode == 2) return term.substring(term.length - last.term.length) == last.term;
		return (literal || (!pattern.test(last.term) && !pattern.test(term))) && term.indexOf(last.term) >= 0;
	}
	// The matches of an upper-cased term, ranked (see FindMatches).
	function Find(term, mode, literal) {
		Prepare(n, false);
		var r = FindMatches(upper, term, mode, literal, Narrows(term, mode, literal) ? last.at : null,
			rank.Grouper(term, upper, masks, NameOf));
		last = { term: term, mode: mode, literal: literal, at: r.matched };
		r.matched = null;  // kept here; a worker sending it would copy all of its buffer
		return r;
	}
	return {
		Find: Find,
		Prepare: Prepare,
		// Searches part of the catalogue before the reader types, so that the
		// first keystroke does not wait for the engine to make this code fast.
		Warm: function () {
			var m = Math.min(made, 4096), within = new Int32Array(m), terms = ["E", "E.", "ET"], j;
			for (j = 0; j < m; j++) within[j] = j;
			for (j = 0; j < terms.length; j++) FindMatches(upper, terms[j], 0, false, within, rank.Grouper(terms[j], upper, masks, NameOf));
		}
	};
}

function SearchWorkerMain() {
	var names = MakeNames(null, 0);
	onmessage = function (e) {
		var d = e.data, r;
		if (d.names != null) {
			// The names come as one string, a line each, or as an array.  Of
			// the string, only it and where each name starts are kept.
			var joined = typeof d.names == "string" ? d.names : null;
			var list = joined == null ? d.names : joined == "" ? [] : joined.split("\n"), i;
			var starts = new Int32Array(list.length + 1);
			for (i = 0; i < list.length; i++) starts[i + 1] = starts[i] + list[i].length + 1;
			names = MakeNames(function (k) { return list != null ? list[k] : joined.substring(starts[k], starts[k + 1] - 1); }, list.length);
			while (!names.Prepare(list.length, true)) continue;
			if (joined != null) list = null;
			names.Warm();
			postMessage({ ready: true });
			return;
		}
		// Ranked here, off the page's thread: a short term can match a
		// quarter of a large catalogue.
		r = names.Find(d.term, d.mode, false);
		r.id = d.id;
		postMessage(r, [r.at.buffer, r.from.buffer, r.size.buffer]);
	};
}

// Up to this many names, a term that cannot backtrack is matched on this
// thread as it is typed: that takes a few milliseconds, less than the
// worker's answer takes to come back.  Larger catalogues keep the page's
// thread free and wait for the worker.
var MATCH_HERE_UP_TO = 200000;
var pageNames = null;  // made on this thread only when needed

function PageNames() {
	if (pageNames == null) pageNames = MakeNames(function (k) { return Field(rawNames, k); }, count);
	return pageNames;
}

// Made ready, when typing is matched here, before the reader types: a slice
// at a time, so that a key pressed meanwhile waits for one slice at most.
var PREPARE_SLICE = 8192;  // names
function PreparePageNames() {
	if (count > MATCH_HERE_UP_TO) return;
	if (PageNames().Prepare(PREPARE_SLICE, true)) {
		pageNames.Warm();
	} else {
		setTimeout(PreparePageNames, 0);
	}
}

// Matching on this thread, ranked.
function FindHere(upperTerm, mode, literal) {
	return PageNames().Find(upperTerm, mode, literal);
}

// A regular expression with nested repetition can take longer than anyone
// waits.  Matching therefore runs in a worker; a worker that has not
// answered in time is thrown away, a new one takes the next request, and the
// term that took too long is looked for as plain text instead.
var Searcher = {
	worker: null,
	url: "",
	ready: false,
	noWorker: false,
	busy: null,
	waiting: null,
	timer: 0,
	serial: 0,
	timeout: 1000 + Math.floor(count / 500),

	Start: function () {
		var self = this, source, url, joined;
		if (this.worker != null || this.noWorker) return;
		try {
			source = [MakeShown, FindMatches, MakeRank, MakeNames].join("\n") + "\n(" + SearchWorkerMain.toString() + ")();\n";
			url = URL.createObjectURL(new Blob([source], { type: "text/javascript" }));
			this.url = url;
			this.ready = false;
			this.worker = new Worker(url);
		} catch (e) {
			this.worker = null;
			this.noWorker = true;
			return;
		}
		this.worker.onmessage = function (e) {
			if (e.data.ready) {
				// The names are ready; only the matching itself is timed.
				self.ready = true;
				if (self.busy != null) self.StartTimer();
			} else {
				self.Answered(e.data);
			}
		};
		this.worker.onerror = function (e) {
			// A browser that refuses workers here: match on this thread.
			if (e && e.preventDefault) e.preventDefault();
			self.Stop();
			self.noWorker = true;
			var req = self.busy;
			self.busy = null;
			if (req != null) self.Send(req);
		};
		// One string crosses to the worker far faster than an array of them;
		// names never hold a line feed unless an index file was made by hand.
		joined = count == 0 ? "" : Array.prototype.join.call(rawNames, "\n");
		if (count > 0 && joined.split("\n").length != count) {
			joined = [];
			for (var k = 0; k < count; k++) joined.push(Field(rawNames, k));
		}
		this.worker.postMessage({ names: joined });
	},

	Stop: function () {
		if (this.timer) clearTimeout(this.timer);
		this.timer = 0;
		if (this.worker != null) this.worker.terminate();
		if (this.url) URL.revokeObjectURL(this.url);
		this.worker = null;
		this.url = "";
		this.ready = false;
	},

	StartTimer: function () {
		var self = this;
		if (this.timer) clearTimeout(this.timer);
		this.timer = setTimeout(function () { self.TimedOut(); }, this.timeout);
	},

	// done(result) is called once with the matches, unless a later request
	// takes its place first.
	Find: function (term, mode, done) {
		var req = { id: ++this.serial, term: term, mode: mode, done: done };
		if (this.busy != null) {
			this.waiting = req;
			return;
		}
		this.Send(req);
	},

	// A search shown without the worker: what the worker was asked for is no
	// longer wanted.
	Drop: function () {
		this.waiting = null;
		if (this.busy != null) this.busy.dropped = true;
	},

	// The catalogue was found incomplete: the worker's names go with it.
	Reset: function () {
		this.Drop();
		this.busy = null;
		this.Stop();
	},

	Send: function (req) {
		this.Start();
		if (this.worker == null) {
			req.done(FindHere(req.term, req.mode, false));
			return;
		}
		this.busy = req;
		if (this.ready) this.StartTimer();
		this.worker.postMessage({ id: req.id, term: req.term, mode: req.mode });
	},

	Answered: function (result) {
		var req = this.busy;
		if (req == null || result.id != req.id) return;
		clearTimeout(this.timer);
		this.timer = 0;
		this.busy = null;
		this.Next(req, result);
	},

	TimedOut: function () {
		var req = this.busy, result;
		this.timer = 0;
		this.busy = null;
		this.Stop();
		if (req == null) return;
		result = this.waiting == null && !req.dropped ? FindHere(req.term, req.mode, true) : null;
		if (result != null) result.tooLong = true;
		this.Next(req, result);
	},

	Next: function (req, result) {
		var next = this.waiting;
		this.waiting = null;
		if (next == null) {
			if (!req.dropped) req.done(result);
		} else {
			this.Send(next);
		}
	}
};

// ---- The page ---------------------------------------------------------------

var field = document.getElementById("textfield");
var moduleSelect = document.getElementById("modulefilter");
var box = document.getElementById("results");
var rowsHolder = document.createElement("div");
var countLine = document.getElementById("resultcount");
var summary = document.getElementById("resultsummary");
var notice = document.getElementById("indexnotice");
var total = document.getElementById("totalcommands");

rowsHolder.className = "rows";
// The rows are the list box's options; their holder means nothing to it.
rowsHolder.setAttribute("role", "presentation");
box.appendChild(rowsHolder);

if (total != null) total.textContent = "Total commands " + rawNames.length + " ";
function ShowIncomplete() {
	notice.textContent = "The search index is incomplete: rebuild the index to search it.";
	notice.style.display = "";
}

if (incomplete) ShowIncomplete();

// The current list before and after the module filter.
var found = { at: new Int32Array(0), from: null, size: null };
var shown = found;
var selected = -1;
var rowHeight = 0;
var drawn = { first: 0, last: 0, count: -1 };
var moduleKeyOf = null;
var chosenModule = "";

function AllCommands() {
	var at = new Int32Array(count);
	for (var k = 0; k < count; k++) at[k] = k;
	return { at: at, from: null, size: null };
}

function LetterList(letter) {
	var at = [], k;
	letter = letter.toUpperCase();
	if (letter == "") return AllCommands();
	for (k = 0; k < count; k++) {
		var first = Field(rawNames, k).charAt(0);
		if (first >= "\x80") first = NameOf(k).charAt(0);
		if (first == letter) at.push(k);
	}
	return { at: Int32Array.from(at), from: null, size: null };
}

function ModuleFilter(list) {
	var at, from, size, keep = 0, k, raw, key;
	if (chosenModule == "") return list;
	if (moduleKeyOf == null) moduleKeyOf = new Map();
	at = new Int32Array(list.at.length);
	from = list.from ? new Int32Array(list.at.length) : null;
	size = list.size ? new Int32Array(list.at.length) : null;
	for (k = 0; k < list.at.length; k++) {
		raw = Field(rawModules, list.at[k]);
		key = moduleKeyOf.get(raw);
		if (key === undefined) {
			key = ModuleKey(raw);
			moduleKeyOf.set(raw, key);
		}
		if (key == chosenModule) {
			at[keep] = list.at[k];
			if (from) from[keep] = list.from[k];
			if (size) size[keep] = list.size[k];
			keep++;
		}
	}
	return { at: at.slice(0, keep), from: from ? from.slice(0, keep) : null, size: size ? size.slice(0, keep) : null, tooLong: list.tooLong };
}

var searching = false;  // a search is under way; its list is still to come

// The count is told to screen readers once typing has paused: announcing it
// at every key would talk over the reader's own echo of the keys.
var ANNOUNCE_AFTER = 600;  // ms
var announceTimer = 0;

function Announce(text) {
	if (announceTimer) clearTimeout(announceTimer);
	announceTimer = setTimeout(function () {
		announceTimer = 0;
		summary.textContent = text;
	}, ANNOUNCE_AFTER);
}

function Show(list) {
	searching = false;
	box.setAttribute("aria-busy", rawLinks == null ? "true" : "false");
	found = list;
	shown = ModuleFilter(list);
	selected = -1;
	drawn.count = -1;
	var status = shown.at.length + " commands";
	if (list.tooLong) status += " (the term took too long as a pattern and was looked for as plain text)";
	countLine.textContent = status;
	Announce(status);
	field.setAttribute("aria-expanded", shown.at.length > 0 ? "true" : "false");
	Layout();
	Draw(true);
}

function RowId(k) { return "command-" + k; }

// One result is one option of the list box, and it is itself the link to
// the command's page, so it wraps no other control: a click or middle click
// works as on any link, while focus stays in the field.  The name and the
// module share the row's first line; more lines can follow it in the row.
function MakeRow(i) {
	var k = shown.at[i];
	var row = document.createElement("a");
	var title = document.createElement("span");
	var label = document.createElement("span");
	var mod = document.createElement("span");
	var name = NameOf(k);
	row.className = i == selected ? "entry selected" : "entry";
	row.id = RowId(k);
	row.setAttribute("role", "option");
	row.setAttribute("aria-selected", i == selected ? "true" : "false");
	row.setAttribute("tabindex", "-1");
	if (rawLinks != null) row.setAttribute("href", LinkOf(k));
	row.setAttribute("data-at", String(k));
	title.className = "title";
	label.className = "name";
	var start = shown.from ? shown.from[i] : -1;
	var len = shown.size ? shown.size[i] : 0;
	if (start >= 0 && len > 0 && start + len <= name.length) {
		var mark = document.createElement("mark");
		mark.textContent = name.substring(start, start + len);
		if (start > 0) label.appendChild(document.createTextNode(name.substring(0, start)));
		label.appendChild(mark);
		if (start + len < name.length) label.appendChild(document.createTextNode(name.substring(start + len)));
	} else {
		label.textContent = name;
	}
	mod.className = "module";
	mod.textContent = ModuleOf(k);
	title.appendChild(label);
	title.appendChild(document.createTextNode(" "));
	title.appendChild(mod);
	row.appendChild(title);
	// The signature and the summary, when the page has them.
	ResultDetails.AddTo(row, k, Shown);
	return row;
}

function MeasureRow() {
	if (rowHeight > 0) return rowHeight;
	var probe = document.createElement("a");
	var line = document.createElement("span");
	probe.className = "entry";
	line.className = "title";
	line.textContent = "M";
	probe.appendChild(line);
	rowsHolder.appendChild(probe);
	rowHeight = probe.getBoundingClientRect().height || 24;
	rowsHolder.removeChild(probe);
	return rowHeight;
}

function Layout() {
	var rows = shown.at.length;
	if (rows <= ALL_ROWS_UP_TO) {
		box.style.height = "";
	} else {
		box.style.height = Math.min(rows * MeasureRow(), MAX_BOX) + "px";
	}
}

// Which rows the window shows, and where the first of them goes in the box.
// A list taller than the box is mapped onto it in proportion.
function Window() {
	var rows = shown.at.length, h = MeasureRow();
	var viewH = window.innerHeight || document.documentElement.clientHeight || 600;
	var full = rows * h, boxH = Math.min(full, MAX_BOX);
	var ratio = (boxH > viewH && full > boxH) ? (full - viewH) / (boxH - viewH) : 1;
	var s = Math.max(0, Math.min(-box.getBoundingClientRect().top, Math.max(0, boxH - viewH)));
	var virt = s * ratio;
	var first = Math.max(0, Math.floor(virt / h) - OVERSCAN);
	var last = Math.min(rows, Math.floor(virt / h) + Math.ceil(viewH / h) + 1 + OVERSCAN);
	return { first: first, last: last, top: s + first * h - virt, ratio: ratio, s: s, h: h, viewH: viewH };
}

var drawRequest = 0;

function Draw(force) {
	var rows = shown.at.length, first, last, top = 0, w, i, frag;
	drawRequest = 0;
	if (rows <= ALL_ROWS_UP_TO) {
		first = 0;
		last = rows;
	} else {
		w = Window();
		first = w.first;
		last = w.last;
		top = w.top;
	}
	if (!force && first == drawn.first && last == drawn.last && drawn.count == rows) return;
	frag = document.createDocumentFragment();
	for (i = first; i < last; i++) frag.appendChild(MakeRow(i));
	rowsHolder.textContent = "";
	rowsHolder.appendChild(frag);
	rowsHolder.style.transform = top ? "translateY(" + top + "px)" : "";
	drawn = { first: first, last: last, count: rows };
	if (selected >= 0 && selected < rows && document.getElementById(RowId(shown.at[selected])) != null) {
		field.setAttribute("aria-activedescendant", RowId(shown.at[selected]));
	} else {
		field.removeAttribute("aria-activedescendant");
	}
	if (window.performance && performance.mark) performance.mark("results-shown");
	// The full-text search of the pages waits for this.
	if (typeof QuillmereFullText != "undefined") QuillmereFullText.CommandsDrawn();
}

function Redraw() {
	if (drawRequest) return;
	drawRequest = (window.requestAnimationFrame || setTimeout)(function () { Draw(false); });
}

window.addEventListener("scroll", Redraw);
window.addEventListener("resize", function () { rowHeight = 0; Layout(); Redraw(); });

// ---- Terms --------------------------------------------------------------------

// The form sends its field encoded: a blank becomes "+", other special
// characters become %XX in the page's character set (one byte each).
// A "%" that does not start a valid escape is kept as it was typed.
function DecodeTerm(val) {
	var out = "", k = 0, c;
	val = val.replace(/\+/g, " ");
	while (k < val.length) {
		c = val.charAt(k);
		if (c == "%" && /^[0-9A-Fa-f]{2}$/.test(val.substr(k + 1, 2))) {
			out += String.fromCharCode(parseInt(val.substr(k + 1, 2), 16));
			k += 3;
		} else {
			out += c;
			k += 1;
		}
	}
	return out;
}

// "term*" begins with term, "*term" ends with it (a star at both ends: ends
// with the text between), anything else contains it.  A term that cannot
// backtrack (no pattern characters) is matched on this thread when the
// catalogue is small enough, or when atOnce, so that an address with a
// search shows its list sooner.
function Search(typed, atOnce) {
	var term = typed, mode = 0;
	if (term.charAt(term.length - 1) == "*") {
		mode = 1;
		term = term.substring(0, term.length - 1);
	}
	if (term.charAt(0) == "*") {
		mode = 2;
		term = term.substring(1);
	}
	box.setAttribute("aria-busy", "true");
	searching = true;
	if ((atOnce || count <= MATCH_HERE_UP_TO) && (mode != 0 || !/[\\^$.|?*+()[\]{}]/.test(term))) {
		Searcher.Drop();
		Show(FindHere(term.toUpperCase(), mode, true));
		return;
	}
	Searcher.Find(term.toUpperCase(), mode, Show);
}

// ---- The reader's keys and choices -------------------------------------------

function Select(i) {
	var rows = shown.at.length;
	if (rows == 0) return;
	selected = Math.max(-1, Math.min(rows - 1, i));
	if (selected >= 0) {
		var h = MeasureRow();
		var viewH = window.innerHeight || 600;
		var boxTop = box.getBoundingClientRect().top;
		var ratio = rows <= ALL_ROWS_UP_TO ? 1 : Window().ratio;
		var s = Math.max(0, -boxTop);
		var pos = rows <= ALL_ROWS_UP_TO ? boxTop + selected * h : boxTop + s + selected * h - s * ratio;
		if (pos < 0 || pos + h > viewH) {
			var want = (selected * h - (viewH - h) / 2) / ratio;
			window.scrollTo(0, Math.max(0, window.pageYOffset + boxTop + want));
		}
	}
	Draw(true);
}

field.addEventListener("input", function () { Search(field.value); });

field.addEventListener("keydown", function (e) {
	var key = e.key;
	if (key == "ArrowDown" || key == "Down") {
		e.preventDefault();
		Select(selected + 1);
	} else if (key == "ArrowUp" || key == "Up") {
		e.preventDefault();
		Select(selected - 1);
	} else if (key == "Enter" && selected >= 0 && selected < shown.at.length) {
		// With a highlighted result Enter opens it; otherwise the form is sent.
		e.preventDefault();
		Open(shown.at[selected]);
	} else if (key == "Escape" || key == "Esc") {
		e.preventDefault();
		field.value = "";
		Search("");
	}
});

// The filter offers the modules of mod.js under the module map's keys.
(function () {
	var seen = {}, k, key, option;
	for (k = 0; k < rawMods.length; k++) {
		key = ModuleKey(Field(rawMods, k));
		if (key == "" || seen.hasOwnProperty(key)) continue;
		seen[key] = true;
		option = document.createElement("option");
		option.value = key;
		option.textContent = Shown(Field(rawMods, k));
		moduleSelect.appendChild(option);
	}
})();

moduleSelect.addEventListener("change", function () {
	chosenModule = moduleSelect.value;
	Show(found);
});

// ---- The links ------------------------------------------------------------------

var openWhenLinked = -1;  // the result chosen before its link was known

function Open(k) {
	if (rawLinks == null) {
		openWhenLinked = k;
	} else if (!incomplete) {
		window.location.href = LinkOf(k);
	}
}

// A result clicked before the links have arrived has no address yet.
box.addEventListener("click", function (e) {
	var a = e.target && e.target.closest ? e.target.closest("a[data-at]") : null;
	if (a == null || rawLinks != null) return;
	e.preventDefault();
	Open(Number(a.getAttribute("data-at")));
});

function LinksArrived() {
	if (rawLinks != null) return;
	rawLinks = ArrayOf(typeof links == "undefined" ? null : links);
	if (!incomplete && rawLinks.length != rawNames.length) {
		incomplete = true;
		count = 0;
		pageNames = null;
		Searcher.Reset();
		ShowIncomplete();
		found = { at: new Int32Array(0), from: null, size: null };
	}
	if (window.performance && performance.mark) performance.mark("links-ready");
	if (incomplete) {
		Show(found);
		return;
	}
	// The rows on the screen get their addresses; the highlight stays.
	if (!searching) box.setAttribute("aria-busy", "false");
	Draw(true);
	if (openWhenLinked >= 0) Open(openWhenLinked);
	ResultDetails.Load(count, function () { Draw(true); });
	setTimeout(PreparePageNames, 0);
}

// links.js sits beside command.js.  It is asked for once the first results
// have been painted, so reading it never holds them up.
function LoadLinks() {
	var scripts = document.getElementsByTagName("script"), k, src, where = null, script;
	if (typeof links != "undefined") {
		LinksArrived();
		return;
	}
	for (k = 0; k < scripts.length && where == null; k++) {
		src = scripts[k].getAttribute("src");
		if (src != null && /(^|\/)command\.js$/.test(src)) where = src.replace(/command\.js$/, "links.js");
	}
	if (where == null) {
		LinksArrived();
		return;
	}
	script = document.createElement("script");
	script.type = "text/javascript";
	script.onload = script.onerror = LinksArrived;
	script.src = where;
	document.getElementsByTagName("head")[0].appendChild(script);
}

// ---- The address --------------------------------------------------------------

// The query, undecoded: text between the first "=" and the first "&" is the
// submitted term; a query without "=" is a letter.
var query = location.search.substring(1);
var equals = query.indexOf("=");
var amp = query.indexOf("&");
if (amp < 0) amp = query.length;
var typed = amp - equals - 1 > 0 ? DecodeTerm(query.substr(equals + 1, amp - equals - 1)) : "";

field.value = typed;
moduleSelect.value = "";
if (equals < 0) {
	Show(LetterList(typed));
} else {
	Search(typed, true);
}
field.focus();
// The worker is made now rather than at the first key, so typing is quick.
setTimeout(function () { Searcher.Start(); }, 0);
// A frame, then a task: the first results are painted before the links are
// asked for.
(window.requestAnimationFrame || setTimeout)(function () { setTimeout(LoadLinks, 0); });
})();
