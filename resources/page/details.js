// What each result shows besides its name, and the order of search results.
//
// sigs.js and summaries.js define two arrays parallel to the catalogue: the
// text of each record's line before its separator (the signature) and one
// sentence from the page it documents.  They are asked for once the links
// have arrived, so they never hold up the first results.  Everything from
// them is put into the page as text, never as markup.
var ResultDetails = (function () {
"use strict";

var sigs = null, summaries = null;

// A search lists exact names first, then names that begin with the term,
// then names where the term starts a word, then the rest, each group in
// catalogue order.  The set and the count stay what matching found.
var EXACT = 0, PREFIX = 1, WORD = 2, REST = 3;

// Where a word starts: after "_", ":", "." or any other non-letter, at a
// change from lower to upper case, and where digits start or stop.
function WordStartsAt(name, i) {
	if (i <= 0) return true;
	var before = name.charAt(i - 1), here = name.charAt(i);
	var beforeDigit = before >= "0" && before <= "9", hereDigit = here >= "0" && here <= "9";
	if (beforeDigit != hereDigit) return true;
	if (before.toLowerCase() == before.toUpperCase() && !beforeDigit) return true;
	return before != before.toUpperCase() && here != here.toLowerCase();
}

function Group(name, upperTerm, from, size) {
	if (from == 0 && size == name.length) return EXACT;
	if (from == 0) return PREFIX;
	if (WordStartsAt(name, from)) return WORD;
	// The match found first may be mid-word while a later one starts a word.
	if (upperTerm != "") {
		var upper = name.toUpperCase(), at = upper.indexOf(upperTerm, from + 1);
		for (; at > 0; at = upper.indexOf(upperTerm, at + 1)) {
			if (WordStartsAt(name, at)) return WORD;
		}
	}
	return REST;
}

// list: the matches (at, from, size) in catalogue order; plainTerm: the
// upper-cased term when it is plain text, else "" (a pattern's later
// matches are not looked for); nameOf(k): the shown name.
function Rank(list, plainTerm, nameOf) {
	var n = list.at.length, groups = [[], [], [], []], i, g, k, out = 0;
	if (n < 2 || list.from == null) return list;
	for (i = 0; i < n; i++) {
		g = Group(nameOf(list.at[i]), plainTerm, list.from[i], list.size[i]);
		groups[g].push(i);
	}
	if (groups[REST].length == n) return list;
	var at = new Int32Array(n), from = new Int32Array(n), size = new Int32Array(n);
	for (g = 0; g < 4; g++) {
		for (k = 0; k < groups[g].length; k++) {
			i = groups[g][k];
			at[out] = list.at[i];
			from[out] = list.from[i];
			size[out] = list.size[i];
			out++;
		}
	}
	return { at: at, from: from, size: size, plain: list.plain, tooLong: list.tooLong };
}

function Text(arr, k, shown) {
	if (arr == null) return "";
	var v = arr[k];
	return v == null ? "" : shown(String(v));
}

// Adds the signature and the summary of record k to a result row.
function AddTo(row, k, shown) {
	var sig = Text(sigs, k, shown), summary = Text(summaries, k, shown), span;
	if (sig != "") {
		span = document.createElement("span");
		span.className = "sig";
		span.textContent = sig;
		row.appendChild(span);
	}
	if (summary != "") {
		span = document.createElement("span");
		span.className = "summary";
		span.textContent = summary;
		row.appendChild(span);
	}
}

// Loads one index file from beside command.js; done() runs either way.
function LoadBeside(file, done) {
	var scripts = document.getElementsByTagName("script"), k, src, script;
	for (k = 0; k < scripts.length; k++) {
		src = scripts[k].getAttribute("src");
		if (src != null && /(^|\/)command\.js$/.test(src)) break;
	}
	if (k == scripts.length) {
		done();
		return;
	}
	script = document.createElement("script");
	script.type = "text/javascript";
	script.onload = script.onerror = done;
	script.src = src.replace(/command\.js$/, file);
	document.getElementsByTagName("head")[0].appendChild(script);
}

// Asks for both files; arrays that do not match the catalogue's length (an
// older index, a file made by other means) are left unused.  arrived() is
// called when both have been dealt with.
function Load(count, arrived) {
	LoadBeside("sigs.js", function () {
		LoadBeside("summaries.js", function () {
			var s = typeof window.sigs == "undefined" ? null : window.sigs;
			var m = typeof window.summaries == "undefined" ? null : window.summaries;
			sigs = s != null && s.length == count ? s : null;
			summaries = m != null && m.length == count ? m : null;
			if (window.performance && performance.mark) performance.mark("details-ready");
			if (sigs != null || summaries != null) arrived();
		});
	});
}

return { Rank: Rank, AddTo: AddTo, Load: Load };
})();
