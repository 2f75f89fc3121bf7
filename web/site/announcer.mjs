// @ts-check
// The live region. Files finishing within 300 ms are told together, so that a
// batch is not read out file by file, with the running count; what the user
// did (a save, Clear, "Save all") is told on its own. Each text stays at least
// 1.5 s, so that none is replaced before a screen reader has spoken it.
export class Announcer {
    /** @type {({ files: string[] } | { text: string })[]} */
    #pending = [];
    /** @type {ReturnType<typeof setTimeout> | null} */
    #timer = null;
    #quietFrom = 0;
    #region;
    #runningCount;
    #spoken;
    static #hold = 1500;
    static #gather = 300;

    /**
     * @param {{ textContent: string | null }} region the live region
     * @param {() => string} runningCount what a batch of files finished is told with
     * @param {() => void} spoken called after each text is put in the region
     */
    constructor(region, runningCount, spoken) {
        this.#region = region;
        this.#runningCount = runningCount;
        this.#spoken = spoken;
    }

    /** @param {string} text a file finished */
    finished(text) {
        const last = this.#pending.at(-1);
        if (last && 'files' in last) last.files.push(text);
        else this.#pending.push({ files: [text] });
        this.#schedule(Announcer.#gather);
    }

    /** @param {string} text what the user's action did */
    say(text) {
        this.#pending.push({ text });
        this.#schedule(0);
    }

    /** Nothing more about the files gone; what the user did is still told. */
    hush() {
        this.#pending = this.#pending.filter((item) => !('files' in item));
    }

    /** @param {number} gather */
    #schedule(gather) {
        if (this.#timer !== null) return;
        const wait = Math.max(gather, this.#quietFrom - performance.now());
        this.#timer = setTimeout(() => this.#speak(), wait);
    }

    #speak() {
        this.#timer = null;
        const next = this.#pending.shift();
        if (!next) return;
        if ('files' in next) {
            const what = next.files.length === 1 ? next.files[0] : `${next.files.length} files finished.`;
            this.#region.textContent = `${what} ${this.#runningCount()}.`;
        } else {
            this.#region.textContent = next.text;
        }
        this.#spoken();
        this.#quietFrom = performance.now() + Announcer.#hold;
        if (this.#pending.length > 0) this.#schedule(0);
    }
}
