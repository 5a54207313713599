#!/usr/bin/env python3
"""The Kubernetes manifests of deploy/kubernetes/ hold together with the server
they run: no cluster runs here, so the fields that decide whether a pod gets
traffic, survives a restart and drains cleanly are checked by reading them.

    check_manifests.py MANIFEST_FOLDER QUILLET_PROGRAM
"""
import pathlib
import re
import subprocess
import sys
import unittest

import yaml

FOLDER = pathlib.Path(sys.argv.pop(1))
PROGRAM = sys.argv.pop(1)


def load_all():
    documents = {}
    for path in sorted(FOLDER.glob("*.yaml")):
        for document in yaml.safe_load_all(path.read_text()):
            if document:
                documents.setdefault(document["kind"], []).append(document)
    return documents


def quantity(text):
    """A Kubernetes quantity in its base unit: bytes, or cores."""
    units = {"Ki": 2**10, "Mi": 2**20, "Gi": 2**30, "Ti": 2**40, "k": 1e3, "M": 1e6, "G": 1e9, "m": 1e-3}
    match = re.fullmatch(r"([0-9.]+)([A-Za-z]*)", str(text))
    assert match, f"{text!r} is no quantity"
    return float(match.group(1)) * units.get(match.group(2), 1)


def server_help():
    return subprocess.run([PROGRAM, "serve", "--help"], capture_output=True, text=True, check=True).stdout


def option(args, name, default=None):
    if name in args:
        return args[args.index(name) + 1]
    return default


def default_of(help_text, name):
    """The default `quillet serve --help` shows for an option."""
    match = re.search(re.escape(name) + r"\b[^\n]*=(\d+[kKMG]?)", help_text)
    assert match, f"quillet serve --help shows no default for {name}"
    return match.group(1)


def size(text):
    """A size as the server reads it ("1G", "512M", "5000"), in bytes."""
    match = re.fullmatch(r"(\d+)([kKMG]?)B?", text)
    assert match, f"{text!r} is no size"
    return int(match.group(1)) * {"": 1, "k": 2**10, "K": 2**10, "M": 2**20, "G": 2**30}[match.group(2)]


class Manifests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.all = load_all()
        [cls.deployment] = cls.all["Deployment"]
        cls.pod = cls.deployment["spec"]["template"]["spec"]
        [cls.container] = cls.pod["containers"]
        cls.args = [str(a) for a in cls.container.get("args", [])]
        cls.help = server_help()

    def setting(self, name):
        """A whole-number option as the server runs with it: given, else its default."""
        return int(option(self.args, name, default_of(self.help, name)))

    def port_number(self, port):
        if isinstance(port, int):
            return port
        named = {p["name"]: p["containerPort"] for p in self.container["ports"] if "name" in p}
        self.assertIn(port, named, f"no container port is named {port}")
        return named[port]

    def test_the_kustomization_names_every_manifest(self):
        [kustomization] = self.all["Kustomization"]
        listed = set(kustomization["resources"])
        present = {p.name for p in FOLDER.glob("*.yaml")} - {"kustomization.yaml"}
        self.assertEqual(listed, present)

    def test_the_server_accepts_every_argument(self):
        known = set(re.findall(r"(--[a-z-]+)", self.help))
        for arg in self.args:
            if arg.startswith("--"):
                self.assertIn(arg, known, f"quillet serve has no option {arg}")

    def test_the_server_listens_on_every_address_at_the_container_port(self):
        listen = option(self.args, "--listen")
        self.assertIsNotNone(listen, "without --listen the server answers on loopback only")
        host, port = listen.rsplit(":", 1)
        self.assertEqual(host, "0.0.0.0")
        self.assertIn(int(port), [p["containerPort"] for p in self.container["ports"]])

    def test_every_probe_asks_health_on_the_listening_port(self):
        port = int(option(self.args, "--listen").rsplit(":", 1)[1])
        for probe in ("startupProbe", "readinessProbe", "livenessProbe"):
            with self.subTest(probe=probe):
                self.assertIn(probe, self.container)
                get = self.container[probe]["httpGet"]
                self.assertEqual(get["path"], "/health")
                self.assertEqual(self.port_number(get["port"]), port)

    def test_the_server_runs_as_a_user_other_than_root(self):
        pod, container = self.pod.get("securityContext", {}), self.container.get("securityContext", {})
        user = container.get("runAsUser", pod.get("runAsUser"))
        self.assertTrue(container.get("runAsNonRoot", pod.get("runAsNonRoot")))
        self.assertIsNotNone(user)
        self.assertNotEqual(user, 0)
        self.assertIs(container.get("allowPrivilegeEscalation"), False)

    def test_the_root_is_read_only_and_tmp_an_empty_dir(self):
        self.assertIs(self.container["securityContext"].get("readOnlyRootFilesystem"), True)
        mounts = {m["mountPath"]: m["name"] for m in self.container.get("volumeMounts", [])}
        self.assertIn("/tmp", mounts)
        volumes = {v["name"]: v for v in self.pod.get("volumes", [])}
        self.assertIn("emptyDir", volumes[mounts["/tmp"]])
        size = volumes[mounts["/tmp"]]["emptyDir"].get("sizeLimit")
        self.assertIsNotNone(size, "an unbounded /tmp can fill the node's disk")
        storage = self.container["resources"]["limits"].get("ephemeral-storage")
        self.assertIsNotNone(storage)
        self.assertLessEqual(quantity(size), quantity(storage))

    def test_the_grace_period_outlasts_the_pause_and_the_drain(self):
        drain = self.setting("--drain-timeout")
        pause = 0
        pre_stop = self.container.get("lifecycle", {}).get("preStop", {}).get("exec", {}).get("command", [])
        if pre_stop[:1] == ["sleep"]:
            pause = int(pre_stop[1])
        grace = self.pod.get("terminationGracePeriodSeconds", 30)
        self.assertGreater(grace, pause + drain)

    def test_the_drain_lets_a_document_in_progress_reach_its_deadline(self):
        self.assertGreaterEqual(self.setting("--drain-timeout"), self.setting("--timeout"))

    def test_the_resources_give_each_worker_a_core_and_room_for_its_office(self):
        resources = self.container["resources"]
        workers = option(self.args, "--workers")
        self.assertIsNotNone(workers, "without --workers the server counts the node's cores, not the pod's")
        workers = int(workers)
        for name in ("cpu", "memory"):
            with self.subTest(resource=name):
                self.assertLessEqual(quantity(resources["requests"][name]), quantity(resources["limits"][name]))
        self.assertGreaterEqual(quantity(resources["requests"]["cpu"]), workers)
        # An office is ended once it passes its ceiling: all of them at it
        # must not take the pod past its limit.
        office = size(option(self.args, "--max-office-memory", default_of(self.help, "--max-office-memory")))
        self.assertGreaterEqual(quantity(resources["limits"]["memory"]), workers * office)

    def test_the_service_reaches_the_pods_on_their_port(self):
        [service] = self.all["Service"]
        labels = self.deployment["spec"]["template"]["metadata"]["labels"]
        self.assertTrue(service["spec"]["selector"].items() <= labels.items())
        port = int(option(self.args, "--listen").rsplit(":", 1)[1])
        for p in service["spec"]["ports"]:
            self.assertEqual(self.port_number(p["targetPort"]), port)

    def test_clients_need_the_token_of_a_mounted_secret(self):
        token = option(self.args, "--auth-token-file")
        self.assertIsNotNone(token, "a server on every address without a token converts for anyone")
        mounts = {m["mountPath"]: m["name"] for m in self.container.get("volumeMounts", [])}
        volumes = {v["name"]: v for v in self.pod.get("volumes", [])}
        folder = str(pathlib.PurePosixPath(token).parent)
        self.assertIn(folder, mounts, "the token file lies in no mounted volume")
        self.assertIn("secret", volumes[mounts[folder]])

    def test_the_network_policy_lets_clients_in_and_nothing_out(self):
        [policy] = self.all["NetworkPolicy"]
        labels = self.deployment["spec"]["template"]["metadata"]["labels"]
        self.assertTrue(policy["spec"]["podSelector"]["matchLabels"].items() <= labels.items())
        self.assertEqual(sorted(policy["spec"]["policyTypes"]), ["Egress", "Ingress"])
        self.assertEqual(policy["spec"].get("egress", []), [], "the offices must reach no address")
        port = int(option(self.args, "--listen").rsplit(":", 1)[1])
        ports = [self.port_number(p["port"]) for rule in policy["spec"]["ingress"] for p in rule.get("ports", [])]
        self.assertEqual(ports, [port])

    def test_the_autoscaler_scales_this_deployment_on_cpu(self):
        [hpa] = self.all["HorizontalPodAutoscaler"]
        target = hpa["spec"]["scaleTargetRef"]
        self.assertEqual((target["kind"], target["name"]), ("Deployment", self.deployment["metadata"]["name"]))
        self.assertIn("cpu", [m["resource"]["name"] for m in hpa["spec"]["metrics"] if m["type"] == "Resource"])
        self.assertGreaterEqual(hpa["spec"]["minReplicas"], 2)

    def test_the_disruption_budget_covers_the_pods_and_lets_a_node_drain(self):
        [budget] = self.all["PodDisruptionBudget"]
        [hpa] = self.all["HorizontalPodAutoscaler"]
        labels = self.deployment["spec"]["template"]["metadata"]["labels"]
        self.assertTrue(budget["spec"]["selector"]["matchLabels"].items() <= labels.items())
        self.assertLess(budget["spec"]["minAvailable"], hpa["spec"]["minReplicas"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
